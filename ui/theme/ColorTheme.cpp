#include "ui/theme/ColorTheme.h"

#include "foundation/Handles.h"
#include "foundation/Paths.h"
#include "foundation/mvini.h"

#include <algorithm>
#include <optional>

const std::array<const wchar_t*, ThemeColorCount> kThemeColorKeys = {
    L"base",           L"border", L"border_active", L"button",  L"button_over", L"button_push",
    L"button_disable", L"text",   L"text_gray",     L"edit_bg", L"link",        L"icon"};

namespace {

struct BuiltInTheme {
    const wchar_t* name;
    std::array<COLORREF, ThemeColorCount> colors;
};

// COLORREF values (0x00BBGGRR) in key order, base to icon.
const BuiltInTheme kBuiltIns[] = {
    {L"Light",
     {0xF0F0F0, 0xADADAD, 0xCC7A00, 0xDEDEDE, 0xF8E7D1, 0xEEC593, 0xCCCCCC, 0x000000, 0x808080,
      0xFFFFFF, 0xCC0000, 0x808080}},
    {L"Dark",
     {0x252525, 0x858585, 0xCC7A00, 0x333333, 0x4D4D4D, 0x686868, 0x333333, 0xDADADA, 0x858585,
      0x1E1E1E, 0xCC7A00, 0xDADADA}},
    {L"Blue",
     {0x6C3C00, 0xD8B180, 0x35B735, 0x8A4D00, 0x9B5500, 0xD57500, 0x6C3C00, 0xFFFFFF, 0x808080,
      0x4F2D00, 0x35B735, 0xE1C49F}},
    {L"Green",
     {0x0C5C0C, 0x88BE88, 0xFFFFFF, 0x107C10, 0x288928, 0x2E9E2E, 0x0C5C0C, 0xFFFFFF, 0x88BE88,
      0x094209, 0xFFFFFF, 0xBADABA}},
};

void LowerAscii(mvstring& text) {
    for (wchar_t& ch : text)
        if (ch >= L'A' && ch <= L'Z')
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
}

bool OnlyOf(std::wstring_view text, std::wstring_view allowed) {
    return text.find_first_not_of(allowed) == std::wstring_view::npos;
}

// The integer rule of colour values: mvstring::ToInt, where 0 counts only
// for a text of "x" and "0" alone.
std::optional<std::uint64_t> ParseColorInteger(std::wstring_view text) {
    if (text.empty())
        return std::nullopt;
    const std::uint64_t value = mvstring(text).ToInt();
    if (value == 0 && !OnlyOf(text, L"x0"))
        return std::nullopt;
    return value;
}

std::uint32_t ParseRgb(std::wstring_view rest) {
    rest = TrimText(rest);
    if (rest.size() < 7 || rest.front() != L'(' || rest.back() != L')')
        return kInvalidColor;
    rest = TrimText(rest.substr(1, rest.size() - 2));
    std::vector<mvstring> parts;
    SplitList(rest, L",", parts, false);
    // SplitList drops pieces between adjacent commas; count them again.
    if (parts.size() != 3 || std::count(rest.begin(), rest.end(), L',') != 2)
        return kInvalidColor;
    std::uint32_t result = 0;
    for (size_t i = 0; i < 3; ++i) {
        if (parts[i].empty() || !OnlyOf(parts[i], L"x0123456789abcdef"))
            return kInvalidColor;
        const std::optional<std::uint64_t> value = ParseColorInteger(parts[i]);
        if (!value)
            return kInvalidColor;
        result |= static_cast<std::uint32_t>(*value & 0xFF) << (8 * i);
    }
    return result;
}

int HexDigit(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9')
        return ch - L'0';
    if (ch >= L'a' && ch <= L'f')
        return ch - L'a' + 10;
    return -1;
}

std::uint32_t ParseHash(std::wstring_view rest) {
    rest = TrimText(rest);
    if ((rest.size() != 3 && rest.size() != 6) || !OnlyOf(rest, L"0123456789abcdef"))
        return kInvalidColor;
    // Three digits are three bytes of 0 to 15: "#fff" is 0x0F0F0F.
    const size_t width = rest.size() / 3;
    std::uint32_t result = 0;
    for (size_t i = 0; i < 3; ++i) {
        int byte = 0;
        for (size_t d = 0; d < width; ++d)
            byte = byte * 16 + HexDigit(rest[i * width + d]);
        result |= static_cast<std::uint32_t>(byte) << (8 * i);
    }
    return result;
}

} // namespace

void ThemeEntry::Clear() {
    name.clear();
    colors.fill(kInvalidColor);
}

std::uint32_t ParseColorValue(std::wstring_view text) {
    mvstring lowered(TrimText(text));
    LowerAscii(lowered);
    const std::wstring_view value = lowered.view();
    if (value.starts_with(L"rgb"))
        return ParseRgb(value.substr(3));
    if (value.starts_with(L"#"))
        return ParseHash(value.substr(1));
    const std::optional<std::uint64_t> number = ParseColorInteger(value);
    // A number beyond 32 bits would otherwise wrap to some colour.
    if (!number || *number > 0xFFFFFFFFu)
        return kInvalidColor;
    return static_cast<std::uint32_t>(*number);
}

bool LoadThemeFile(ThemeEntry& entry, const mvstring& path) {
    entry.Clear();
    mvini ini;
    if (!ini.Load(path))
        return false;
    constexpr std::wstring_view kSection = L"colortheme";
    const mvstring version = ini.GetString(kSection, L"_version");
    const mvstring name = ini.GetString(kSection, L"_name");
    if (version.length() != 11 || !mvstring::EqualsNoCase(version, L"MVTHEME_1_0") || name.empty())
        return false;

    std::array<COLORREF, ThemeColorCount> colors;
    colors.fill(kInvalidColor);
    std::array<bool, ThemeColorCount> resolved{};
    std::array<int, ThemeColorCount> target; // the referenced slot, -1 for none
    target.fill(-1);
    for (int slot = 0; slot < ThemeColorCount; ++slot) {
        const mvstring value = ini.GetString(kSection, kThemeColorKeys[slot]);
        if (value.empty())
            return false;
        if (value[0] == L'%') {
            mvstring key(TrimText(value.view().substr(1)));
            LowerAscii(key);
            for (int other = 0; other < ThemeColorCount; ++other)
                if (key == kThemeColorKeys[other])
                    target[slot] = other;
            if (target[slot] < 0)
                return false; // no such key: it can never resolve
            continue;
        }
        const std::uint32_t color = ParseColorValue(value);
        if (color >= 0x1000000)
            return false;
        colors[slot] = color;
        resolved[slot] = true;
    }
    // Rounds until nothing more resolves; what is left is a cycle.
    for (bool progress = true; progress;) {
        progress = false;
        for (int slot = 0; slot < ThemeColorCount; ++slot)
            if (!resolved[slot] && resolved[target[slot]]) {
                colors[slot] = colors[target[slot]];
                resolved[slot] = progress = true;
            }
    }
    for (const bool done : resolved)
        if (!done)
            return false;
    entry.name = name;
    entry.colors = colors;
    return true;
}

void ThemeList::Scan(const mvstring& pattern, std::vector<mvstring>& paths) {
    WIN32_FIND_DATAW found{};
    const FindHandle find(FindFirstFileW(pattern.c_str(), &found));
    if (!find)
        return;
    const mvstring folder = PathParent(pattern);
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L".." || name.starts_with(L"_"))
            continue;
        mvstring path = PathJoin(folder, name);
        if (GetPathKind(path) == PathKindFile)
            paths.push_back(std::move(path));
    } while (FindNextFileW(find.Get(), &found));
}

void ThemeList::AddSystemDefault(ThemeEntry& entry) {
    entry.name = kSystemDefault;
    entry.colors = kBuiltIns[0].colors;
}

void ThemeList::AddBuiltIns() {
    entries.clear();
    for (const BuiltInTheme& theme : kBuiltIns) {
        ThemeEntry& entry = entries.emplace_back();
        entry.name = theme.name;
        entry.colors = theme.colors;
    }
    if (includeSystemDefault)
        AddSystemDefault(entries.emplace_back());
}

void ThemeList::Select(const mvstring& pattern) {
    entries.clear();
    std::vector<mvstring> paths;
    Scan(pattern, paths);
    if (paths.empty()) {
        AddBuiltIns();
        return;
    }
    for (const mvstring& path : paths) {
        ThemeEntry theme;
        if (!LoadThemeFile(theme, path))
            continue;
        auto same = std::find_if(entries.begin(), entries.end(), [&](const ThemeEntry& entry) {
            return mvstring::EqualsNoCase(entry.name, theme.name);
        });
        if (same != entries.end())
            *same = std::move(theme);
        else
            entries.push_back(std::move(theme));
    }
    if (entries.empty())
        AddBuiltIns();
    else if (includeSystemDefault)
        AddSystemDefault(entries.emplace_back());
}
