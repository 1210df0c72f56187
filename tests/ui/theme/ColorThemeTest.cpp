#include "ui/theme/ColorTheme.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

constexpr std::uint32_t kBad = kInvalidColor;

// A theme file with every colour given as `base`, except the overrides.
std::string ThemeFile(const std::string& name, const std::string& overrides,
                      const std::string& base = "#102030",
                      const std::string& version = "MVTHEME_1_0") {
    std::string text = "[colortheme]\r\n_version=" + version + "\r\n_name=" + name + "\r\n";
    for (const wchar_t* key : kThemeColorKeys) {
        const std::string narrow(key, key + wcslen(key));
        if (overrides.find("\n" + narrow + "=") == std::string::npos)
            text += narrow + "=" + base + "\r\n";
    }
    return text + overrides;
}

} // namespace

TEST(ColorTheme, ParseColorValueInEverySyntax) {
    struct Case {
        const wchar_t* text;
        std::uint32_t expected;
    } cases[] = {
        {L"rgb(255, 0, 0)", 0x0000FF},
        {L"  RGB ( 1 , 2 , 3 ) \t", 0x030201},
        {L"rgb(256,0,0)", 0x000000}, // low 8 bits
        {L"rgb(0x10,0,0xff)", 0xFF0010},
        {L"rgb(1,2)", kBad},
        {L"rgb(1,2,3,4)", kBad},
        {L"rgb(1,,2,3)", kBad},
        {L"rgb(1,2,)", kBad},
        {L"rgb(1, 2, -3)", kBad},
        {L"rgb(a,2,3)", kBad}, // no digits read: 0 from a text that is not zero
        {L"rgb1,2,3", kBad},
        {L"rgb(0,0,0)", 0},
        {L"#ff0000", 0x0000FF},
        {L"#00FF00", 0x00FF00},
        {L"# 0000ff ", 0xFF0000},
        {L"#f00", 0x00000F},
        {L"#fff", 0x0F0F0F}, // each digit alone, not doubled
        {L"#ff00", kBad},
        {L"#ggg", kBad},
        {L"#", kBad},
        {L"0x00ff00", 0x00FF00},
        {L"65280", 0x00FF00},
        {L"0", 0},
        {L"0x0", 0},
        {L"00", 0},
        {L"abc", kBad},
        {L"", kBad},
        {L"12abc", 12}, // leading digits, as the string-to-integer rule reads
        {L"0xFFFFFFFF", 0xFFFFFFFF},
        {L"0x100000000", kBad}, // beyond 32 bits: never wrapped to black
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseColorValue(c.text), c.expected) << WideToUtf8(c.text);
}

TEST(ColorTheme, LoadThemeFileResolvesReferences) {
    TempDir dir;
    struct Case {
        const char* what;
        std::string text;
        bool loads;
    } cases[] = {
        {"chain in any order",
         ThemeFile("Chain", "\ntext=%base\r\nbase=%border\r\nborder=#000000\r\n"), true},
        {"reference in capitals with blanks", ThemeFile("Upper", "\nlink=%  TEXT_GRAY \r\n"), true},
        {"cycle", ThemeFile("Cycle", "\nbase=%text\r\ntext=%base\r\n"), false},
        {"unknown key", ThemeFile("Unknown", "\nbase=%nosuch\r\n"), false},
        {"self", ThemeFile("Self", "\nicon=%icon\r\n"), false},
        {"colour beyond 24 bits", ThemeFile("Big", "\nicon=0x1000000\r\n"), false},
        {"invalid colour", ThemeFile("Bad", "\nicon=#12\r\n"), false},
        {"missing colour", ThemeFile("Missing", "\nicon=\r\n"), false},
        {"wrong version", ThemeFile("Old", "", "#102030", "MVTHEME_1_1"), false},
        {"version in any case", ThemeFile("Case", "", "#102030", "mvtheme_1_0"), true},
        {"no name", ThemeFile("", ""), false},
    };
    for (const Case& c : cases) {
        const std::wstring path = dir.WriteFile(L"theme.ini", c.text);
        ThemeEntry entry;
        entry.name = L"stale";
        EXPECT_EQ(LoadThemeFile(entry, path), c.loads) << c.what;
        if (!c.loads) {
            EXPECT_TRUE(entry.name.empty()) << c.what;
            EXPECT_EQ(entry.colors[ThemeBase], kInvalidColor) << c.what;
        }
    }

    ThemeEntry chain;
    ASSERT_TRUE(LoadThemeFile(
        chain,
        dir.WriteFile(L"chain.ini", ThemeFile("Chain", "\ntext=%base\r\nbase=%border\r\n"
                                                       "border=#000000\r\nlink=rgb(1,2,3)\r\n"))));
    EXPECT_EQ(chain.name, L"Chain");
    EXPECT_EQ(chain[ThemeText], 0u);
    EXPECT_EQ(chain[ThemeBase], 0u);
    EXPECT_EQ(chain[ThemeBorder], 0u);
    EXPECT_EQ(chain[ThemeLink], 0x030201u);
    EXPECT_EQ(chain[ThemeIcon], 0x302010u);

    ThemeEntry none;
    EXPECT_FALSE(LoadThemeFile(none, dir / L"absent.ini"));
}

TEST(ColorTheme, BuiltInsOnlyWithoutThemeFiles) {
    TempDir dir;
    const std::wstring pattern = dir / L"Theme\\*.ini";
    const auto names = [](const ThemeList& list) {
        std::vector<mvstring> result;
        for (const ThemeEntry& entry : list.entries)
            result.push_back(entry.name);
        return result;
    };

    ThemeList list;
    list.includeSystemDefault = true;
    list.Select(pattern); // no folder at all
    EXPECT_EQ(names(list),
              (std::vector<mvstring>{L"Light", L"Dark", L"Blue", L"Green", L"System Default"}));
    EXPECT_EQ(list.entries[0].colors, list.entries[4].colors);
    EXPECT_EQ(list.entries[1][ThemeBase], 0x252525u);
    EXPECT_EQ(list.entries[3][ThemeIcon], 0xBADABAu);

    // Files that do not load: the built-ins again.
    dir.WriteFile(L"Theme\\broken.ini", ThemeFile("Broken", "\nbase=%text\r\ntext=%base\r\n"));
    list.includeSystemDefault = false;
    list.Select(pattern);
    EXPECT_EQ(names(list), (std::vector<mvstring>{L"Light", L"Dark", L"Blue", L"Green"}));

    // Loaded files replace the built-ins; a later file of the same name wins;
    // "_" files and folders are skipped.
    dir.WriteFile(L"Theme\\a.ini", ThemeFile("Ocean", "", "#000001"));
    dir.WriteFile(L"Theme\\b.ini", ThemeFile("Sand", "", "#000002"));
    dir.WriteFile(L"Theme\\c.ini", ThemeFile("OCEAN", "", "#000003"));
    dir.WriteFile(L"Theme\\_hidden.ini", ThemeFile("Hidden", ""));
    CreateDirectoryW((dir / L"Theme\\folder.ini").c_str(), nullptr);
    std::vector<mvstring> paths;
    ThemeList::Scan(pattern, paths);
    EXPECT_EQ(paths.size(), 4u); // broken, a, b, c
    for (const mvstring& path : paths)
        EXPECT_TRUE(path.starts_with(dir / L"Theme\\")) << WideToUtf8(path);

    list.includeSystemDefault = true;
    list.Select(pattern);
    // The folder's listing order decides which of the two "Ocean" files is later.
    const auto position = [&](const wchar_t* name) {
        return std::find(paths.begin(), paths.end(), dir / name) - paths.begin();
    };
    const bool cLater = position(L"Theme\\c.ini") > position(L"Theme\\a.ini");
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries.back().name, L"System Default");
    const auto ocean =
        std::find_if(list.entries.begin(), list.entries.end(),
                     [](const ThemeEntry& e) { return e.name == L"Ocean" || e.name == L"OCEAN"; });
    ASSERT_NE(ocean, list.entries.end());
    EXPECT_EQ(ocean->name, cLater ? L"OCEAN" : L"Ocean");
    EXPECT_EQ((*ocean)[ThemeBase], cLater ? 0x030000u : 0x010000u);
    EXPECT_EQ(std::count_if(list.entries.begin(), list.entries.end(),
                            [](const ThemeEntry& e) { return e.name == L"Sand"; }),
              1);
}
