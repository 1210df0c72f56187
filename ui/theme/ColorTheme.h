// Colour themes: twelve named colours read from theme files or built in,
// and the list of themes the user chooses from.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

// The colour value of a colour that is not set.
constexpr COLORREF kInvalidColor = 0xFFFFFFFF;

// Colour slots, in the order of the keys of a theme file.
enum ThemeColor : int {
    ThemeBase,
    ThemeBorder,
    ThemeBorderActive,
    ThemeButton,
    ThemeButtonOver,
    ThemeButtonPush,
    ThemeButtonDisable,
    ThemeText,
    ThemeTextGray,
    ThemeEditBg,
    ThemeLink,
    ThemeIcon,
    ThemeColorCount
};

// The key of each slot in a theme file.
extern const std::array<const wchar_t*, ThemeColorCount> kThemeColorKeys;

struct ThemeEntry {
    mvstring name;
    std::array<COLORREF, ThemeColorCount> colors{};

    ThemeEntry() { Clear(); }
    // Empty name, every colour invalid.
    void Clear();
    COLORREF operator[](ThemeColor slot) const { return colors[slot]; }
};

// A colour text as theme files write it: "rgb(r, g, b)", "#rrggbb", "#rgb"
// (each digit alone a byte value of 0 to 15), decimal or "0x" hexadecimal.
// Case and surrounding blanks do not matter. kInvalidColor for anything
// else, and for a number beyond 32 bits.
std::uint32_t ParseColorValue(std::wstring_view text);

// Fills the entry from one theme file: section "colortheme" with "_version"
// "MVTHEME_1_0", a non-empty "_name" and all twelve colours, each a colour
// value or "%" and the name of another colour key. References may chain in
// any order. False, with the entry cleared, when the file cannot be read or
// breaks any rule (a missing colour, a value of 0x1000000 or more, a
// reference to an unknown key or in a cycle).
bool LoadThemeFile(ThemeEntry& entry, const mvstring& path);

class ThemeList {
public:
    static constexpr wchar_t kSystemDefault[] = L"System Default";

    // The paths of the files that match the pattern, in the order found;
    // names beginning with "_" and anything but files are skipped.
    static void Scan(const mvstring& pattern, std::vector<mvstring>& paths);
    // "Light", "Dark", "Blue", "Green", then "System Default" when included.
    void AddBuiltIns();
    // "System Default" with the "Light" colours.
    static void AddSystemDefault(ThemeEntry& entry);
    // The themes of the files matching the pattern (a later file with the
    // name of an earlier theme replaces its colours), then "System Default"
    // when included; the built-in themes only when no file loads.
    void Select(const mvstring& pattern);

    std::vector<ThemeEntry> entries;
    bool includeSystemDefault = false;
};
