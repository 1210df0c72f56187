#include "foundation/Numbers.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace {

constexpr std::wstring_view kHexDigits = L"0123456789abcdef";

std::wstring LowerAscii(std::wstring_view text) {
    std::wstring copy(text);
    for (wchar_t& ch : copy) {
        if (ch >= L'A' && ch <= L'Z')
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
    }
    return copy;
}

// ASCII produced by std::to_chars, widened.
mvstring Widen(const char* first, const char* last) {
    mvstring text;
    text.reserve(static_cast<std::size_t>(last - first));
    for (; first != last; ++first)
        text.push_back(static_cast<wchar_t>(*first));
    return text;
}

template <typename T> mvstring IntegerText(T value, int base = 10) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, base);
    return Widen(buffer, result.ptr);
}

// _wcstoui64 over the whole text; true when it consumed every code unit and
// at least one digit, and the number fits: the run-time reads a minus sign as
// a wrap-around and an overlong number as the maximum, neither of which is
// the number written.
bool ConvertWhole(const std::wstring& text, int base, std::uint64_t& value) {
    wchar_t* end = nullptr;
    errno = 0;
    value = _wcstoui64(text.c_str(), &end, base);
    return !text.empty() && end == text.c_str() + text.size() && errno != ERANGE &&
           text.find(L'-') == std::wstring::npos;
}

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

bool IsCSpace(wchar_t ch) {
    return ch == L' ' || (ch >= L'\t' && ch <= L'\r');
}

// Length of `word` (ASCII lower case) matched at the start of `text` ignoring
// case; 0 when it does not match.
std::size_t MatchWord(std::wstring_view text, std::string_view word) {
    if (text.size() < word.size())
        return 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        wchar_t ch = text[i];
        if (ch >= L'A' && ch <= L'Z')
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
        if (ch != static_cast<wchar_t>(word[i]))
            return 0;
    }
    return word.size();
}

} // namespace

mvstring IntToText(int value) {
    return IntegerText(value);
}

mvstring ByteToText(unsigned char value) {
    return IntegerText(static_cast<unsigned>(value));
}

mvstring FormatUInt64(std::uint64_t value, bool hex) {
    if (!hex)
        return IntegerText(value);
    mvstring digits = IntegerText(value, 16);
    return mvstring(L"0x") + mvstring(16 - digits.length(), L'0') + digits;
}

mvstring FormatDouble(double value) {
    // std::to_chars gives exactly what "%f" gives in the "C" locale, without
    // looking at the locale at all. 309 integer digits is the most a double has.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    mvstring text = Widen(buffer, result.ec == std::errc() ? result.ptr : buffer);
    const std::size_t point = text.find(L'.');
    if (point != mvstring::npos) {
        while (text.length() > point && text.back() == L'0')
            text.pop_back();
        if (text.length() == point + 1)
            text.pop_back();
    }
    if (text.empty())
        text = L"0";
    return text;
}

double ParseDouble(std::wstring_view text, std::size_t* used) {
    if (used)
        *used = 0;
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    const double sign = negative ? -1.0 : 1.0;

    if (std::size_t n = MatchWord(text.substr(i), "inf")) {
        n = MatchWord(text.substr(i), "infinity") ? 8 : n;
        if (used)
            *used = i + n;
        return sign * HUGE_VAL;
    }
    if (const std::size_t n = MatchWord(text.substr(i), "nan")) {
        if (used)
            *used = i + n;
        return std::nan("");
    }

    // The mantissa as plain ASCII "digits.digits" for std::from_chars; the
    // decimal point may be "." or ",". `magnitude` is m with the mantissa in
    // [10^(m-1), 10^m), INT_MIN while no significant digit was seen; it only
    // decides between infinity and zero when the value is out of range.
    std::string number;
    int magnitude = INT_MIN;
    int integerDigits = 0;
    int firstSignificant = -1;
    bool anyDigit = false;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++integerDigits) {
        number.push_back(static_cast<char>(text[i]));
        if (text[i] != L'0' && firstSignificant < 0)
            firstSignificant = integerDigits;
        anyDigit = true;
    }
    if (firstSignificant >= 0)
        magnitude = integerDigits - firstSignificant;
    if (i < text.size() && (text[i] == L'.' || text[i] == L',')) {
        const bool digitFollows = i + 1 < text.size() && IsDigit(text[i + 1]);
        if (anyDigit || digitFollows) {
            number.push_back('.');
            ++i;
            for (int position = 0; i < text.size() && IsDigit(text[i]); ++i, ++position) {
                number.push_back(static_cast<char>(text[i]));
                if (text[i] != L'0' && magnitude == INT_MIN)
                    magnitude = -position;
                anyDigit = true;
            }
        }
    }
    if (!anyDigit)
        return 0.0;

    // An exponent counts only with at least one digit; "1e" reads as 1.
    long long exponent = 0;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) {
            negativeExponent = text[j] == L'-';
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            for (; j < text.size() && IsDigit(text[j]); ++j) {
                if (exponent < 100000000)
                    exponent = exponent * 10 + (text[j] - L'0');
            }
            if (negativeExponent)
                exponent = -exponent;
            number += 'e' + std::to_string(exponent);
            i = j;
        }
    }
    if (used)
        *used = i;

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large gives infinity, too small zero, as the C run-time does.
        const bool tooLarge = magnitude != INT_MIN && magnitude + exponent > 0;
        value = tooLarge ? HUGE_VAL : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return sign * value;
}

bool ParseBool(std::wstring_view text) {
    if (text.empty())
        return false;
    if (text.size() == 4 && LowerAscii(text) == L"true")
        return true;
    return mvstring(text).ToInt() != 0;
}

bool ParseUInt64(std::wstring_view text, std::uint64_t& value) {
    value = 0;
    if (text.empty())
        return false;
    const std::wstring lower = LowerAscii(text);
    const std::wstring trimmed(TrimText(lower));
    std::wstring_view rest = trimmed;
    bool hex = false;
    if (rest.ends_with(L'h')) {
        rest.remove_suffix(1);
        hex = true;
    }
    if (rest.size() >= 3 && rest.starts_with(L"0x")) {
        rest.remove_prefix(2);
        hex = true;
    } else if (rest.size() >= 2 && rest.starts_with(L'x')) {
        rest.remove_prefix(1);
        hex = true;
    }
    // Nothing left after the hex mark ("h") or a blank text is no number.
    if (rest.empty())
        return false;
    if (ConvertWhole(std::wstring(rest), hex ? 16 : 10, value))
        return true;
    // Digits that only read in base 16 ("ff") count as hex without a mark.
    return !hex && ConvertWhole(trimmed, 16, value);
}

bool ParseHexBytes(std::wstring_view text, std::vector<unsigned char>& bytes) {
    bytes.clear();
    if (text.empty())
        return false;
    const std::wstring lower = LowerAscii(text);
    std::vector<mvstring> pieces;
    SplitList(TrimText(lower), L" ", pieces, true);
    for (const mvstring& piece : pieces) {
        std::wstring_view digits = piece.view();
        if (digits.size() >= 2 && digits.starts_with(L"0x"))
            digits.remove_prefix(2);
        else if (digits.starts_with(L'x'))
            digits.remove_prefix(1);
        if (digits.ends_with(L'h'))
            digits.remove_suffix(1);
        if (digits.empty())
            continue;
        // A stray character would otherwise be dropped silently ("1g" as 01).
        if (digits.find_first_not_of(kHexDigits) != std::wstring_view::npos) {
            bytes.clear();
            return false;
        }
        const std::size_t count = (digits.size() + 1) / 2;
        const std::size_t at = bytes.size();
        bytes.resize(at + count);
        mvstring(digits).HexToBytes(bytes.data() + at, count);
    }
    return !bytes.empty();
}

std::uint64_t mvstring::ToInt() const {
    if (empty())
        return 0;
    if (length() >= 2 && m_text[0] == L'0' && (m_text[1] == L'x' || m_text[1] == L'X'))
        return _wcstoui64(c_str() + 2, nullptr, 16);
    return _wcstoui64(c_str(), nullptr, 10);
}

mvstring::size_type mvstring::HexToBytes(void* buffer, size_type capacity) const {
    if (empty() || !buffer)
        return 0;
    std::wstring digits = LowerAscii(m_text);
    for (size_type at = digits.find(L"0x"); at != npos; at = digits.find(L"0x", at))
        digits.erase(at, 2);
    std::erase_if(digits,
                  [](wchar_t ch) { return kHexDigits.find(ch) == std::wstring_view::npos; });
    if (digits.size() % 2 != 0)
        digits.insert(digits.begin(), L'0');
    const size_type count = digits.size() / 2;
    if (count > capacity)
        return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    for (size_type i = 0; i < count; ++i) {
        const auto high = kHexDigits.find(digits[2 * i]);
        const auto low = kHexDigits.find(digits[2 * i + 1]);
        out[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return count;
}
