#include "foundation/DisplayText.h"

#include <shlwapi.h>

#include <vector>

namespace {

struct AttributeLetter {
    wchar_t letter;
    DWORD bit;
};

constexpr AttributeLetter kAttributeLetters[] = {
    {L'R', FILE_ATTRIBUTE_READONLY},  {L'H', FILE_ATTRIBUTE_HIDDEN},
    {L'S', FILE_ATTRIBUTE_SYSTEM},    {L'D', FILE_ATTRIBUTE_DIRECTORY},
    {L'A', FILE_ATTRIBUTE_ARCHIVE},   {L'C', FILE_ATTRIBUTE_COMPRESSED},
    {L'E', FILE_ATTRIBUTE_ENCRYPTED}, {L'I', FILE_ATTRIBUTE_NOT_CONTENT_INDEXED},
};

// Runs one of GetDateFormatW/GetTimeFormatW in the user's locale: into a
// buffer that fits every usual text, else asking for the length first.
template <typename FormatFunction>
mvstring FormatSystemTime(FormatFunction format, DWORD flags, const SYSTEMTIME& time) {
    wchar_t buffer[96];
    int written = format(LOCALE_USER_DEFAULT, flags, &time, nullptr, buffer, 96);
    if (written > 0)
        return mvstring(buffer, static_cast<std::size_t>(written - 1)); // without the terminator
    const int size = format(LOCALE_USER_DEFAULT, flags, &time, nullptr, nullptr, 0);
    if (size <= 0)
        return {};
    mvstring text(static_cast<std::size_t>(size), L'\0');
    written = format(LOCALE_USER_DEFAULT, flags, &time, nullptr, text.data(), size);
    if (written <= 0)
        return {};
    text.resize(static_cast<std::size_t>(written - 1));
    return text;
}

struct SearchTitleCache {
    mvstring input;
    mvstring forms[2]; // 0 file-name safe, 1 title
};

SearchTitleCache& TitleCache() {
    static SearchTitleCache cache;
    return cache;
}

} // namespace

void AttributesToLetters(DWORD attributes, mvstring& out) {
    out.clear();
    for (const AttributeLetter& row : kAttributeLetters) {
        if (attributes & row.bit)
            out.push_back(row.letter);
    }
}

void FormatFileSize(std::uint64_t size, bool kb, mvstring& out) {
    wchar_t buffer[64] = {};
    const auto value = static_cast<LONGLONG>(size);
    const wchar_t* text =
        kb ? StrFormatKBSizeW(value, buffer, 64) : StrFormatByteSizeW(value, buffer, 64);
    out = text ? mvstring(buffer) : mvstring();
}

mvstring FormatShortDate(const SYSTEMTIME& time) {
    return FormatSystemTime(GetDateFormatW, DATE_SHORTDATE, time);
}

mvstring FormatClock(const SYSTEMTIME& time, bool noSeconds) {
    return FormatSystemTime(GetTimeFormatW, noSeconds ? TIME_NOSECONDS : 0, time);
}

mvstring FormatFileTime(const FILETIME& time, bool noSeconds) {
    SYSTEMTIME system;
    if (!FileTimeToSystemTime(&time, &system))
        return {};
    const mvstring date = FormatShortDate(system);
    const mvstring clock = FormatClock(system, noSeconds);
    if (date.empty())
        return clock;
    if (clock.empty())
        return date;
    return date + L' ' + clock;
}

void ShiftDayOfWeek(SYSTEMTIME& time) {
    DWORD firstDay = 0; // 0 Monday ... 6 Sunday
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&firstDay), sizeof firstDay / sizeof(wchar_t)))
        return;
    if (firstDay >= 6)
        return;
    const int shifted = (static_cast<int>(time.wDayOfWeek) - static_cast<int>(firstDay + 1)) % 7;
    time.wDayOfWeek = static_cast<WORD>(shifted < 0 ? shifted + 7 : shifted);
}

bool HasWildcards(std::wstring_view text) {
    return text.find_first_of(L"*?") != std::wstring_view::npos;
}

const mvstring& MakeSearchTitle(const mvstring& pattern, int selector) {
    static const mvstring empty;
    if (pattern.empty())
        return empty;
    SearchTitleCache& cache = TitleCache();
    const int form = selector == 1 ? 1 : 0;
    if (pattern == cache.input)
        return cache.forms[form];

    cache.input = pattern;
    std::vector<mvstring> pieces;
    SplitList(pattern.view(), L"|", pieces, false);
    mvstring title;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (!pieces[i].empty())
            title += PathFindFileNameW(pieces[i].c_str());
        if (i + 1 < pieces.size())
            title += L" | ";
    }
    mvstring safe = title;
    for (wchar_t& ch : safe) {
        if (ch == L'|')
            ch = L'&';
    }
    std::erase_if(safe.str(), [](wchar_t ch) {
        return std::wstring_view(L"<>:\"/|?*\t").find(ch) != std::wstring_view::npos;
    });
    cache.forms[0] = std::move(safe);
    cache.forms[1] = std::move(title);
    return cache.forms[form];
}
