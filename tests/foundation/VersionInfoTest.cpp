#include "foundation/VersionInfo.h"

#include "support/LocaleChild.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// versioned_fixture.exe is built next to the test program. Its translation
// list is Italian, German, English (string tables 0410, 0407, 0409).
std::wstring FixturePath() {
    std::wstring path = TestProgramPath();
    path.resize(path.find_last_of(L'\\') + 1);
    return path + L"versioned_fixture.exe";
}

// When this variable names a file, the program is a probe started by
// ChoosesTableByUserLocale: it writes the user language, the chosen table and
// the description read from the fixture to that file and ends before any test.
constexpr wchar_t kProbeVariable[] = L"VELQUIN_VERSIONINFO_PROBE";

[[maybe_unused]] const bool kIsVersionInfoProbe = RunAsLocaleProbe(kProbeVariable, [] {
    VersionInfo info;
    info.Load(FixturePath().c_str());
    char language[8];
    std::snprintf(language, sizeof language, "%.4x", GetUserDefaultLangID());
    return std::string(language) + ' ' + WideToUtf8(info.Language().view()) + ' ' +
           WideToUtf8(info.GetString(L"FileDescription").view());
});

} // namespace

TEST(VersionInfoTest, ReadsTheUsersLanguageTableForAnEnglishUser) {
    ASSERT_EQ(GetUserDefaultLangID(), 0x0409) << "the tests run with an en-US user locale";
    VersionInfo info;
    info.Load(FixturePath().c_str());
    EXPECT_EQ(info.Language(), L"040904b0");
    EXPECT_EQ(info.GetString(L"FileDescription"), L"Test tool");
    EXPECT_EQ(info.GetString(L"CompanyName"), L"Velquin");
    EXPECT_EQ(info.GetString(L"Comments"), L"") << "an empty value reads as empty";
    EXPECT_EQ(info.GetString(L"NoSuchKey"), L"");
    EXPECT_EQ(info.GetString(L"FileDescription"), L"Test tool") << "kept apart from the other keys";
}

TEST(VersionInfoTest, NothingLoadedGivesEmptyValues) {
    TempDir dir;
    const std::wstring plain = dir.WriteFile(L"plain.txt", "no version block here");
    const std::wstring missing = dir / L"missing.exe";
    for (const wchar_t* name :
         {plain.c_str(), missing.c_str(), L"", static_cast<const wchar_t*>(nullptr)}) {
        VersionInfo info;
        // A load that finds nothing replaces an earlier successful one.
        info.Load(FixturePath().c_str());
        ASSERT_EQ(info.GetString(L"FileDescription"), L"Test tool");
        info.Load(name);
        EXPECT_EQ(info.Language(), L"") << (name ? name : L"(null)");
        EXPECT_EQ(info.GetString(L"FileDescription"), L"") << (name ? name : L"(null)");
        EXPECT_EQ(info.GetString(L"CompanyName"), L"") << (name ? name : L"(null)");
    }
}

TEST(VersionInfoTest, ChoosesTableByUserLocale) {
    struct Case {
        const wchar_t* locale;
        const char* expected; // user language id, chosen table, description
    };
    const Case cases[] = {
        {L"de_DE.UTF-8", "0407 040704b0 Testwerkzeug"},
        // French is not in the file: the first table listed is used.
        {L"fr_FR.UTF-8", "040c 041004b0 Strumento di prova"},
    };
    if (WineLoaderPath().empty())
        GTEST_SKIP() << "the user locale can be chosen per process only under Wine";
    for (const Case& c : cases) {
        TempDir dir;
        const std::wstring report = dir / L"report.txt";
        EXPECT_TRUE(
            RunSelfUnderLocale(c.locale, {std::wstring(kProbeVariable) + L"=" + report}, L""))
            << c.locale;
        EXPECT_EQ(TempDir::ReadFile(report), c.expected) << c.locale;
    }
}
