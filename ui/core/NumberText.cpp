#include "ui/core/NumberText.h"

#include <windows.h>
#include <shlwapi.h>

#include <climits>
#include <clocale>
#include <cwchar>

namespace {

// A narrow field of the run-time locale, in the locale's code page.
mvstring LocaleField(const char* text) {
    mvstring wide;
    if (text != nullptr && *text != '\0') {
        const UINT codePage = ___lc_codepage_func();
        AnsiToWide(wide, text, 0, codePage != 0 ? codePage : CP_ACP);
    }
    return wide;
}

} // namespace

mvstring FormatByteSize(std::int64_t size) {
    wchar_t text[260] = {};
    if (StrFormatByteSizeW(size, text, 260) == nullptr)
        return {};
    return text;
}

mvstring FormatInt64Grouped(std::int64_t value) {
    if (value == 0)
        return L"0";
    // The wide fields of lconv are not filled by every run-time; the narrow
    // ones are.
    const lconv* locale = localeconv();
    const char* grouping = locale != nullptr ? locale->grouping : nullptr;
    const int group = grouping != nullptr ? static_cast<unsigned char>(grouping[0]) : 0;
    const mvstring separator =
        locale != nullptr ? LocaleField(locale->mon_thousands_sep) : mvstring();
    if (group <= 0 || group == CHAR_MAX || separator.empty()) {
        wchar_t text[32];
        swprintf(text, 32, L"%lld", static_cast<long long>(value));
        return text;
    }
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    mvstring digits;
    for (int count = 0; magnitude != 0; magnitude /= 10, ++count) {
        if (count != 0 && count % group == 0)
            digits.insert(0, separator.view());
        digits.insert(0, 1, static_cast<wchar_t>(L'0' + magnitude % 10));
    }
    if (value < 0)
        digits.insert(0, 1, L'-');
    digits += LocaleField(locale->positive_sign);
    return digits;
}
