#include "search/SizeTextFormatter.h"

#include <shlwapi.h>

#include <algorithm>
#include <string_view>

namespace {

// Sizes up to here are formatted by the own code; beyond, the system's call
// (whose arithmetic wraps near the signed limit) has the last word.
constexpr std::uint64_t kOwnSizeLimit = (1ull << 62) - 1;

wchar_t* AppendUnits(wchar_t* out, std::wstring_view text) {
    return std::copy(text.begin(), text.end(), out);
}

// The decimal digits of `value`, without grouping.
wchar_t* AppendDigits(wchar_t* out, std::uint64_t value) {
    wchar_t digits[20];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value);
    while (count)
        *out++ = digits[--count];
    return out;
}

} // namespace

SizeTextFormatter::SizeTextFormatter(bool kb, SystemCall system)
    : m_kb(kb), m_system(system ? system
                         : kb   ? &StrFormatKBSizeW
                                : &StrFormatByteSizeW) {
    if (!Learn())
        return;
    // Two ways of cutting off the digits are known, exactly and from whole
    // megabytes for the largest units; the one that gives the system's texts
    // is used.
    wchar_t mine[kUnits], theirs[kUnits];
    for (const bool megabytesFirst : {false, true}) {
        m_megabytesFirst = megabytesFirst;
        m_own = true;
        for (const std::uint64_t size : CheckedSizes()) {
            const std::size_t length = FormatOwn(size, mine);
            if (FormatSystem(size, theirs) != length || std::wmemcmp(mine, theirs, length) != 0) {
                m_own = false;
                break;
            }
        }
        if (m_own || m_kb)
            return;
    }
}

const std::vector<std::uint64_t>& SizeTextFormatter::CheckedSizes() {
    static const std::vector<std::uint64_t> sizes = [] {
        std::vector<std::uint64_t> list = {0,
                                           1,
                                           9,
                                           10,
                                           99,
                                           100,
                                           999,
                                           1000,
                                           1001,
                                           1023,
                                           1024,
                                           1025,
                                           1535,
                                           1536,
                                           1537,
                                           2047,
                                           2048,
                                           5130,
                                           5131,
                                           10239,
                                           10240,
                                           10751,
                                           10752,
                                           102399,
                                           102400,
                                           12345678901ull,
                                           999999999999ull,
                                           kOwnSizeLimit - 1,
                                           kOwnSizeLimit};
        // Around every unit: its start, the edges of two, one and no
        // decimals, the step to the next unit at 1000 of it, and sizes just
        // past a hundredth, whose digits tell how they were cut off.
        for (int unit = 1; unit <= 6; ++unit) {
            const std::uint64_t one = 1ull << (10 * unit);
            for (const std::uint64_t hundredths : {99ull, 106ull, 113ull, 150ull, 701ull}) {
                const std::uint64_t past =
                    one / 100 * hundredths + (one % 100 * hundredths + 99) / 100;
                if (past <= kOwnSizeLimit)
                    list.push_back(past);
            }
            for (const std::uint64_t times : {1ull, 10ull, 100ull, 1000ull}) {
                if (times * one > kOwnSizeLimit)
                    continue;
                list.push_back(times * one - 1);
                list.push_back(times * one);
                list.push_back(times * one + 1);
                list.push_back(times * one + one / 2);
            }
        }
        // Kilobyte counts at every digit-group edge, and sizes just past a
        // whole kilobyte, which count one more.
        for (std::uint64_t kilobytes = 1; kilobytes <= 1000000000000000ull; kilobytes *= 10) {
            list.push_back(kilobytes * 1024);
            list.push_back(kilobytes * 1024 - 1023);
            list.push_back((kilobytes - 1) * 1024 + 1);
        }
        return list;
    }();
    return sizes;
}

bool SizeTextFormatter::Learn() {
    wchar_t buffer[kUnits];
    // The words after 0 bytes and 0 kilobytes.
    std::size_t length = FormatSystem(0, buffer);
    if (length < 2 || buffer[0] != L'0')
        return false;
    (m_kb ? m_units[1] : m_bytes).assign(buffer + 1, length - 1);
    if (m_kb) {
        // Digit groups as the user's locale has them: "3;0" is threes
        // throughout, "3;2;0" a three then twos, "3" one group of three.
        wchar_t text[16] = {}, grouping[16] = {};
        if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, text, 16) ||
            !GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SGROUPING, grouping, 16))
            return false;
        m_thousands = text;
        for (const wchar_t* at = grouping; *at; ++at) {
            if (*at >= L'0' && *at <= L'9')
                m_groups.push_back(*at - L'0');
        }
        m_repeatLast = !m_groups.empty() && m_groups.back() == 0;
        if (m_repeatLast)
            m_groups.pop_back();
        return Fits();
    }
    // One of every unit: "1", the decimal separator, "00" and the unit's word.
    for (int unit = 1; unit <= 6; ++unit) {
        length = FormatSystem(1ull << (10 * unit), buffer);
        const std::wstring_view text(buffer, length);
        if (unit == 1) {
            const std::size_t zeros = text.find(L"00", 1);
            if (text.empty() || text[0] != L'1' || zeros == std::wstring_view::npos)
                return false;
            m_decimal = text.substr(1, zeros - 1);
        }
        const std::size_t number = 1 + m_decimal.size() + 2;
        if (text.size() <= number || text.substr(0, number - 2) != L"1" + m_decimal ||
            text.substr(number - 2, 2) != L"00")
            return false;
        m_units[unit] = text.substr(number);
    }
    return Fits();
}

bool SizeTextFormatter::Fits() const {
    // The longest own text must fit the buffer: 16 digits of kilobytes,
    // a separator after every two of them at most, and the unit's word.
    std::size_t words = m_bytes.size();
    for (const std::wstring& word : m_units)
        words = std::max(words, word.size());
    for (const int group : m_groups) {
        if (group < 2)
            return false;
    }
    return m_decimal.size() <= 4 && m_thousands.size() <= 4 && words <= 16;
}

std::size_t SizeTextFormatter::FormatSystem(std::uint64_t size, wchar_t (&buffer)[kUnits]) const {
    buffer[0] = L'\0';
    if (!m_system(static_cast<LONGLONG>(size), buffer, kUnits))
        return 0;
    buffer[kUnits - 1] = L'\0';
    return std::wcslen(buffer);
}

std::size_t SizeTextFormatter::FormatOwn(std::uint64_t size, wchar_t* out) const {
    wchar_t* const start = out;
    if (m_kb) {
        // Whole kilobytes, rounded up, in digit groups.
        std::uint64_t kilobytes = (size + 1023) / 1024;
        wchar_t reversed[64];
        std::size_t count = 0, group = 0, inGroup = 0;
        do {
            const bool grouped = group < m_groups.size() || (m_repeatLast && !m_groups.empty());
            const int groupSize = group < m_groups.size() ? m_groups[group]
                                  : grouped               ? m_groups.back()
                                                          : 0;
            if (grouped && groupSize > 0 && inGroup == static_cast<std::size_t>(groupSize)) {
                for (auto at = m_thousands.rbegin(); at != m_thousands.rend(); ++at)
                    reversed[count++] = *at;
                ++group;
                inGroup = 0;
            }
            reversed[count++] = static_cast<wchar_t>(L'0' + kilobytes % 10);
            kilobytes /= 10;
            ++inGroup;
        } while (kilobytes);
        while (count)
            *out++ = reversed[--count];
        return static_cast<std::size_t>(AppendUnits(out, m_units[1]) - start);
    }
    if (size < 1024)
        return static_cast<std::size_t>(AppendUnits(AppendDigits(out, size), m_bytes) - start);
    // Three digits of the largest unit that keeps the number under 1000,
    // cut off rather than rounded: 0.97 MB for 1000 KB, 1.49 KB for 1535.
    int unit = 1;
    while (unit < 6 && size >= 1000 * (1ull << (10 * unit)))
        ++unit;
    const int shift = 10 * unit;
    const std::uint64_t whole = size >> shift;
    const std::uint64_t rest = size & ((1ull << shift) - 1);
    // rest * 100 / 2^shift without overflow: the low ten bits first.
    const std::uint64_t hundredths =
        m_megabytesFirst && unit >= 4
            ? ((rest >> 20) * 100) >> (shift - 20)
            : ((rest >> 10) * 100 + (((rest & 1023) * 100) >> 10)) >> (shift - 10);
    out = AppendDigits(out, whole);
    if (whole < 100) {
        out = AppendUnits(out, m_decimal);
        *out++ = static_cast<wchar_t>(L'0' + hundredths / 10);
        if (whole < 10)
            *out++ = static_cast<wchar_t>(L'0' + hundredths % 10);
    }
    return static_cast<std::size_t>(AppendUnits(out, m_units[unit]) - start);
}

std::size_t SizeTextFormatter::Format(std::uint64_t size, wchar_t (&buffer)[kUnits]) const {
    if (m_own && size <= kOwnSizeLimit)
        return FormatOwn(size, buffer);
    return FormatSystem(size, buffer);
}

mvstring SizeTextFormatter::Text(std::uint64_t size) const {
    wchar_t buffer[kUnits];
    return mvstring(buffer, Format(size, buffer));
}
