#include "foundation/GroupRanges.h"

#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include "ConfigFolders.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <vector>

namespace {

TEST(GroupRangesTest, CharacterFallsInTheFirstRangeThatHoldsIt) {
    struct Case {
        const wchar_t* ranges;
        wchar_t ch;
        int index;
        const wchar_t* label; // the label after the call; "keep" when none was found
    } cases[] = {
        {L"09AHIPQZ", L'5', 0, L"0 - 9"},
        {L"09AHIPQZ", L'b', 2, L"A - H"},
        {L"09AHIPQZ", L'A', 2, L"A - H"},
        {L"09AHIPQZ", L'h', 2, L"A - H"},
        {L"09AHIPQZ", L'i', 4, L"I - P"},
        {L"09AHIPQZ", L'Z', 6, L"Q - Z"},
        {L"09AHIPQZ", L'z', 6, L"Q - Z"},
        {L"09AHIPQZ", L'_', -1, L"keep"},
        {L"09AHIPQZ", L' ', -1, L"keep"},
        {L"", L'A', -1, L"keep"},
        {L"AZ", L'\u00e4', -1, L"keep"},                       // only a..z are folded
        {L"AZAH", L'B', 0, L"A - Z"},                          // overlapping: the first pair wins
        {L"09\u00c0\uffff", L'\ufffe', 2, L"\u00c0 - \uffff"}, // unsigned order
        {L"09A", L'A', -1, L"keep"},                           // a lone last character is no range
    };
    for (const Case& c : cases) {
        mvstring label = L"keep";
        EXPECT_EQ(GroupNameIndex(c.ranges, c.ch, &label), c.index)
            << testing::PrintToString(std::wstring(c.ranges)) << " " << int(c.ch);
        EXPECT_EQ(label.str(), c.label) << int(c.ch);
        EXPECT_EQ(GroupNameIndex(c.ranges, c.ch), c.index);
    }
}

TEST(GroupRangesTest, TheShortFormUsesTheRangesOfTheSettings) {
    VQSettings& settings = Settings();
    const mvstring saved = settings.GroupNameChars;
    settings.GroupNameChars = L"AFGZ";
    mvstring label;
    EXPECT_EQ(GroupNameIndex(L'q', &label), 2);
    EXPECT_EQ(label, L"G - Z");
    EXPECT_EQ(GroupNameIndex(L'5'), -1);
    settings.GroupNameChars = saved;
}

// Expected labels are written with "<0>" for the shell's kilobyte form of 0
// and "[n]" for its byte-size form of n, so that they hold in any locale.
std::wstring Expand(std::wstring_view pattern) {
    std::wstring out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        wchar_t buffer[64] = {};
        if (pattern.substr(i, 3) == L"<0>") {
            StrFormatKBSizeW(0, buffer, 64);
            out += buffer;
            i += 2;
        } else if (pattern[i] == L'[') {
            const std::size_t close = pattern.find(L']', i);
            StrFormatByteSizeW(std::stoll(std::wstring(pattern.substr(i + 1, close - i - 1))),
                               buffer, 64);
            out += buffer;
            i = close;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

struct SizeCase {
    const char* stored; // null: the key is missing
    std::vector<uint64_t> bounds;
    std::vector<const wchar_t*> labels;
};

const std::vector<uint64_t> kDefaultBounds = {16384, 1048576, 134217728, 1073741824, 4294967296};
const std::vector<const wchar_t*> kDefaultLabels = {L"<0>",
                                                    L"<0> - [16384]",
                                                    L"[16384] - [1048576]",
                                                    L"[1048576] - [134217728]",
                                                    L"[134217728] - [1073741824]",
                                                    L"[1073741824] - [4294967296]",
                                                    L"> [4294967296]"};

const SizeCase kSizeCases[] = {
    {" 100 , 0, word ,\t50 ", {100, 50}, {L"<0>", L"<0> - [100]", L"[100] - [50]", L"> [50]"}},
    {"2048,2048", {2048, 2048}, {L"<0>", L"<0> - [2048]", L"[2048] - [2048]", L"> [2048]"}},
    {"-5, 18446744073709551615, 0x20,,", {32}, {L"<0>", L"<0> - [32]", L"> [32]"}},
    {"1", {1}, {L"<0>", L"<0> - [1]", L"> [1]"}},
    {nullptr, kDefaultBounds, kDefaultLabels},
    {"", kDefaultBounds, kDefaultLabels},
    {"0", kDefaultBounds, kDefaultLabels},
    {" , word, -1", kDefaultBounds, kDefaultLabels},
};

std::vector<std::wstring> Expand(const std::vector<const wchar_t*>& patterns) {
    std::vector<std::wstring> out;
    for (const wchar_t* pattern : patterns)
        out.push_back(Expand(pattern));
    return out;
}

// The labels of every group, and an empty one each side of them.
std::vector<std::wstring> Labels(const SizeGroups& groups) {
    std::vector<std::wstring> out;
    const int count = static_cast<int>(groups.Bounds.size());
    EXPECT_EQ(SizeGroupLabel(groups, -1), L"");
    for (int id = 0; id <= count + 1; ++id)
        out.push_back(SizeGroupLabel(groups, id).str());
    EXPECT_EQ(SizeGroupLabel(groups, count + 2), L"");
    return out;
}

TEST(GroupRangesTest, SizeBoundsKeepTheWrittenOrderAndGetTwoMoreLabels) {
    for (const SizeCase& c : kSizeCases) {
        mvini ini(L"global");
        if (c.stored) {
            mvstring value;
            AnsiToWide(value, c.stored, 0, CP_ACP);
            ini.SetString(L"global", L"GroupSizes", value);
        }
        SizeGroups groups;
        groups.Bounds = {7}; // whatever was there before goes
        groups.Labels = {L"old"};
        LoadGroupSizes(groups, ini);
        const char* shown = c.stored ? c.stored : "<missing>";
        EXPECT_EQ(groups.Bounds, c.bounds) << shown;
        EXPECT_EQ(Labels(groups), Expand(c.labels)) << shown;
    }
}

using GroupSizesFileTest = ConfigFolders;

TEST_F(GroupSizesFileTest, AdvancedConfigBuildsTheSizeGroups) {
    VQSettings settings;
    InitSettings(settings);
    EXPECT_EQ(settings.SizeGroups.Bounds, kDefaultBounds);
    EXPECT_EQ(Labels(settings.SizeGroups), Expand(kDefaultLabels));

    WriteA(L"advconf.ini", "[global]\r\nGroupSizes = 100, 0, word, 50\r\n");
    InitSettings(settings);
    EXPECT_EQ(settings.SizeGroups.Bounds, (std::vector<uint64_t>{100, 50}));
    EXPECT_EQ(Labels(settings.SizeGroups), Expand(kSizeCases[0].labels));
}

} // namespace
