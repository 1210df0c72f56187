#include "foundation/DisplayText.h"
#include "foundation/Numbers.h"

#include "support/LocaleChild.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

// 2024-11-23 14:07:09, a Saturday; day and month have two digits so that
// every short-date layout of a locale shows them the same way.
FILETIME SampleTime() {
    const SYSTEMTIME system{2024, 11, 6, 23, 14, 7, 9, 0};
    FILETIME time{};
    SystemTimeToFileTime(&system, &time);
    return time;
}

// Sunday..Saturday after ShiftDayOfWeek, as digits.
std::wstring ShiftedWeek() {
    std::wstring days;
    for (WORD day = 0; day < 7; ++day) {
        SYSTEMTIME time{};
        time.wDayOfWeek = day;
        ShiftDayOfWeek(time);
        days += static_cast<wchar_t>(L'0' + time.wDayOfWeek);
    }
    return days;
}

// 2.5 as the C run-time writes it with "%f" in the current locale.
std::wstring RuntimeDecimal() {
    wchar_t text[32]{};
    std::swprintf(text, 32, L"%f", 2.5);
    return text;
}

// The texts that depend on the user locale, by key.
std::map<std::string, std::wstring> LocaleTexts() {
    mvstring bytes, kilobytes;
    FormatFileSize(1536, false, bytes);
    FormatFileSize(1048576, true, kilobytes);
    return {
        {"time", FormatFileTime(SampleTime(), false).str()},
        {"time_noseconds", FormatFileTime(SampleTime(), true).str()},
        {"bytes", bytes.str()},
        {"kilobytes", kilobytes.str()},
        {"week", ShiftedWeek()},
        // Decimals that go into files must not follow the locale, while the
        // run-time itself does.
        {"runtime_decimal", RuntimeDecimal()},
        {"decimal", FormatDouble(2.5).str()},
        {"parsed_decimal", FormatDouble(ParseDouble(L"1.5")).str()},
    };
}

// Started as a probe (see ProbeGermanUser), the test program takes the user's
// locale as the program does before its entry point, writes the
// locale-dependent texts to the file named by the variable and ends before
// any test runs.
constexpr wchar_t kProbeVariable[] = L"VELQUIN_DISPLAYTEXT_PROBE";

[[maybe_unused]] const bool kIsLocaleProbe = RunAsLocaleProbe(kProbeVariable, [] {
    std::setlocale(LC_ALL, "");
    std::string text;
    for (const auto& [key, value] : LocaleTexts())
        text += key + '=' + WideToUtf8(value) + '\n';
    return text;
});

// The probe's texts for a German user; empty when the probe could not run.
std::map<std::string, std::string> ProbeGermanUser() {
    TempDir dir;
    const std::wstring output = dir / L"probe.txt";
    std::map<std::string, std::string> texts;
    if (!RunSelfUnderLocale(L"de_DE.UTF-8", {std::wstring(kProbeVariable) + L"=" + output}, L""))
        return texts;
    const std::string content = TempDir::ReadFile(output);
    for (std::size_t at = 0, end; (end = content.find('\n', at)) != std::string::npos;
         at = end + 1) {
        const std::string line = content.substr(at, end - at);
        const std::size_t equals = line.find('=');
        texts[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return texts;
}

} // namespace

TEST(DisplayText, AttributesToLettersInTableOrder) {
    const struct {
        DWORD attributes;
        const wchar_t* letters;
    } cases[] = {
        {0, L""},        {0x21, L"RA"},   {0x10, L"D"}, {FILE_ATTRIBUTE_NORMAL, L""},
        {0x2001, L"RI"}, {0x4800, L"CE"}, {0x6, L"HS"}, {0xFFFFFFFF, L"RHSDACEI"},
    };
    for (const auto& c : cases) {
        mvstring letters(L"old");
        AttributesToLetters(c.attributes, letters);
        EXPECT_EQ(letters, c.letters) << c.attributes;
    }
}

TEST(DisplayText, FileSizesInBytesOrKilobytes) {
    const struct {
        std::uint64_t size;
        bool kb;
        const wchar_t* text;
    } cases[] = {
        {0, false, L"0 bytes"},       {1023, false, L"1023 bytes"}, {1536, false, L"1.50 KB"},
        {1048576, false, L"1.00 MB"}, {1536, true, L"2 KB"},        {1048576, true, L"1,024 KB"},
    };
    for (const auto& c : cases) {
        mvstring text(L"old");
        FormatFileSize(c.size, c.kb, text);
        EXPECT_EQ(text, c.text) << c.size << (c.kb ? " KB" : "");
    }
}

TEST(DisplayText, FileTimeAsShortDateAndTime) {
    EXPECT_EQ(FormatFileTime(SampleTime(), false), L"11/23/2024 2:07:09 PM");
    EXPECT_EQ(FormatFileTime(SampleTime(), true), L"11/23/2024 2:07 PM");
    // Beyond the range of system times: nothing can be formatted.
    EXPECT_EQ(FormatFileTime(FILETIME{0xFFFFFFFF, 0xFFFFFFFF}, false), L"");
}

TEST(DisplayText, WeekStartingOnSundayIsLeftAlone) {
    EXPECT_EQ(ShiftedWeek(), L"0123456");
}

// The display texts follow the user's locale: a German user sees German dates,
// sizes with a decimal comma and weeks starting on Monday.
TEST(DisplayText, FollowsGermanUserLocale) {
    if (WineLoaderPath().empty())
        GTEST_SKIP() << "the user locale can be changed per process only under Wine";
    auto texts = ProbeGermanUser();
    ASSERT_FALSE(texts.empty()) << "the probe did not run";
    EXPECT_EQ(texts["time"], "23.11.2024 14:07:09");
    EXPECT_EQ(texts["time_noseconds"], "23.11.2024 14:07");
    EXPECT_EQ(texts["bytes"], "1,50 KB");
    EXPECT_EQ(texts["kilobytes"], "1.024 KB");
    EXPECT_EQ(texts["week"], "6012345");
    EXPECT_EQ(texts["runtime_decimal"], "2,500000");
    EXPECT_EQ(texts["decimal"], "2.5");
    EXPECT_EQ(texts["parsed_decimal"], "1.5");
}

TEST(DisplayText, HasWildcards) {
    EXPECT_TRUE(HasWildcards(L"*.txt"));
    EXPECT_TRUE(HasWildcards(L"file?.doc"));
    EXPECT_FALSE(HasWildcards(L"report.txt"));
    EXPECT_FALSE(HasWildcards(L""));
}

TEST(DisplayText, SearchTitleAndItsFileNameSafeForm) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* title;
        const wchar_t* safe;
    } cases[] = {
        {L"*.txt|C:\\dir\\*.doc", L"*.txt | *.doc", L".txt & .doc"},
        {L"report.txt", L"report.txt", L"report.txt"},
        {L" *.txt | \t |d:\\x\\y?.log ", L"*.txt |  | y?.log", L".txt &  & y.log"},
        {L"<a>\t\"b\".txt", L"<a>\t\"b\".txt", L"ab.txt"},
        {L"a||b", L"a | b", L"a & b"},
        {L"", L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeSearchTitle(c.pattern, 1), c.title) << c.pattern;
        EXPECT_EQ(MakeSearchTitle(c.pattern, 0), c.safe) << c.pattern;
    }
    // The cache of the last input must not leak into the next one.
    EXPECT_EQ(MakeSearchTitle(L"*.txt|C:\\dir\\*.doc", 0), L".txt & .doc");
    EXPECT_EQ(MakeSearchTitle(L"*.log", 0), L".log");
    EXPECT_EQ(MakeSearchTitle(L"*.txt|C:\\dir\\*.doc", 1), L"*.txt | *.doc");
}
