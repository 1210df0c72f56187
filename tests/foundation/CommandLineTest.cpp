#include "foundation/CommandLine.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <vector>

namespace {

// "name:value,value|name:..." for comparing a whole parse at once.
std::wstring Describe(const CommandLine& line) {
    std::wstring out;
    for (const CommandLineSwitch& s : line.Switches()) {
        if (!out.empty())
            out += L"|";
        out += s.name.str() + L":";
        for (size_t i = 0; i < s.values.size(); ++i)
            out += (i ? L"," : L"") + s.values[i].str();
    }
    return out;
}

} // namespace

// The run without windows takes its arguments without the shell library;
// it must cut the program's name off where that library does.
TEST(CommandLineArguments, StartWhereTheShellFindsThem) {
    const wchar_t* cases[] = {
        L"prog.exe a b",
        L"\"C:\\Program Files\\Velquin.exe\" /out x",
        L"\"C:\\Program Files\\Velquin.exe\"",
        L"prog",
        L"",
        L" lead",
        L"prog\ta b",
        L"\"unclosed prog a",
        L"p\"q r\"s t",
        L"prog  two",
    };
    for (const wchar_t* line : cases)
        EXPECT_EQ(CommandLineArguments(line) - line, PathGetArgsW(line) - line)
            << testing::PrintToString(std::wstring(line));
    EXPECT_EQ(CommandLineArguments(nullptr), nullptr);
}

TEST(SplitCommandLine, QuotesAndBackslashes) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> words;
    } cases[] = {
        {L"a b  c", {L"a", L"b", L"c"}},
        {L"\"C:\\My Files\\x.velquin\" next", {L"C:\\My Files\\x.velquin", L"next"}},
        {L"a\\\"b", {L"a\"b"}},                 // odd run: a literal quote
        {L"\"a\\\\\" b", {L"a\\", L"b"}},       // even run: half, and the quote closes
        {L"\"a\\\\\\\" b\"", {L"a\\\" b"}},     // three: one backslash and a quote
        {L"C:\\dir\\ x", {L"C:\\dir\\", L"x"}}, // no quote: kept as they are
        {L"a\tb c", {L"a\tb", L"c"}},           // only the blank separates
        {L"\"\" x \"\"", {L"x"}},               // empty words go
        {L"ab\"c d\"e", {L"abc de"}},
        {L"\"open", {L"open"}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> words;
        for (const mvstring& w : SplitCommandLine(c.text))
            words.push_back(w.str());
        EXPECT_EQ(words, c.words) << c.text;
    }
}

TEST(SplitCommandLine, KeepsQuotedEmptyWordsWhenAsked) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> words;
    } cases[] = {
        {L"/in \"\" /out r", {L"/in", L"", L"/out", L"r"}},
        {L"/out \"\"", {L"/out", L""}},
        {L"a\"\" b", {L"a", L"b"}},      // quotes inside a word add nothing
        {L"\\\" x", {L"\"", L"x"}},     // an escaped quote is text, not an empty word
        {L"a   b", {L"a", L"b"}},         // blanks alone still make no word
        {L"\"\"\"\" x", {L"", L"x"}}, // two pairs back to back are one word
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> words;
        for (const mvstring& w : SplitCommandLine(c.text, true))
            words.push_back(w.str());
        EXPECT_EQ(words, c.words) << c.text;
    }
}

TEST(CommandLine, SwitchesWithTheirValues) {
    struct Case {
        const wchar_t* text;
        bool ok;
        const wchar_t* parsed;
    } cases[] = {
        {L"/in \"C:\\a b\\s.velquin\" /runnow", true, L"in:C:\\a b\\s.velquin|runnow:"},
        {L"C:\\Users\\me /out r.velquin", true, L"C:\\Users\\me:|out:r.velquin"},
        {L"/in a /IN B /in a", true, L"in:a,B"},
        {L"/hexview file 16 16", true, L"hexview:file,16,16"}, // one occurrence keeps all
        {L"/x a A /X a b", true, L"x:a,A,b"},
        {L"first second /s v", true, L"first:second|s:v"},
        {L"/ lost words /s v", true, L"s:v"},
        {L"a / dropped", true, L"a:"},
        {L" \t/runnow\t ", true, L"runnow:"},
        {L"", true, L""},
        {L" \t ", true, L""},
        {L"\"\" \"\"", false, L""},
    };
    for (const Case& c : cases) {
        CommandLine line;
        line.AddSwitch(L"stale", L"v");
        EXPECT_EQ(line.Parse(c.text), c.ok) << c.text;
        EXPECT_EQ(Describe(line), c.parsed) << c.text;
    }
}

TEST(CommandLine, FindAndAdd) {
    CommandLine line;
    ASSERT_TRUE(line.Parse(L"/Out r.txt /in x"));
    EXPECT_EQ(line.FindSwitch(L"OUT"), 0);
    EXPECT_EQ(line.FindSwitch(L"in"), 1);
    EXPECT_EQ(line.FindSwitch(L"runnow"), -1);
    EXPECT_EQ(line.FindSwitch(L""), -1);
    EXPECT_EQ(line.Values(L"runnow"), nullptr);
    ASSERT_NE(line.Values(L"out"), nullptr);
    EXPECT_EQ(line.Values(L"out")->front(), L"r.txt");

    EXPECT_FALSE(line.AddSwitch(L"", L"v"));
    EXPECT_TRUE(line.AddSwitch(L"runnow", L""));
    EXPECT_TRUE(line.AddSwitch(L"IN", L"X"));
    EXPECT_TRUE(line.AddSwitch(L"in", L"y"));
    EXPECT_EQ(Describe(line), L"Out:r.txt|in:x,y|runnow:");
}
