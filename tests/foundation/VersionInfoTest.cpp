#include "foundation/VersionInfo.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// The child run writes its findings to the file named by the first variable
// and then sets the event named by the second.
constexpr wchar_t kReportVariable[] = L"VELQUIN_VERSIONINFO_REPORT";
constexpr wchar_t kDoneVariable[] = L"VELQUIN_VERSIONINFO_DONE";

std::wstring SelfPath() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// versioned_fixture.exe is built next to the test program. Its translation
// list is Italian, German, English (string tables 0410, 0407, 0409).
std::wstring FixturePath() {
    std::wstring path = SelfPath();
    path.resize(path.find_last_of(L'\\') + 1);
    return path + L"versioned_fixture.exe";
}

// Wine's path of its own loader, as a DOS path; empty on Windows.
std::wstring WineLoader() {
    wchar_t loader[MAX_PATH]{};
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr ||
        GetEnvironmentVariableW(L"WINELOADER", loader, MAX_PATH) == 0)
        return {};
    std::wstring path = L"Z:";
    path += loader;
    for (wchar_t& ch : path)
        if (ch == L'/')
            ch = L'\\';
    return path;
}

// Runs one test of this program in a new process whose user locale comes from
// `locale` and waits until it has written `reportPath`. Wine fixes the user
// locale of a process from the host environment when the process starts, and
// a Windows child inherits its parent's; only a fresh start of the loader with
// the changed environment picks the locale up. Windows has no per-process user
// locale at all. Returns false when the child could not be run.
bool RunChildUnderLocale(const std::wstring& locale, const std::wstring& filter,
                         const std::wstring& reportPath) {
    const std::wstring loader = WineLoader();
    if (loader.empty())
        return false;
    static LONG counter = 0;
    const std::wstring eventName = L"velquin_versioninfo_" +
                                   std::to_wstring(GetCurrentProcessId()) + L"_" +
                                   std::to_wstring(InterlockedIncrement(&counter));
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    if (done == nullptr)
        return false;

    std::wstring block;
    const wchar_t* env = GetEnvironmentStringsW();
    for (const wchar_t* entry = env; *entry; entry += wcslen(entry) + 1) {
        std::wstring_view text(entry);
        if (text.starts_with(L"LC_ALL=") || text.starts_with(L"LANG=") ||
            text.starts_with(L"VELQUIN_VERSIONINFO_"))
            continue;
        block.append(text).push_back(L'\0');
    }
    FreeEnvironmentStringsW(const_cast<wchar_t*>(env));
    for (const std::wstring& entry :
         {L"LC_ALL=" + locale, L"LANG=" + locale, std::wstring(kReportVariable) + L"=" + reportPath,
          std::wstring(kDoneVariable) + L"=" + eventName})
        block.append(entry).push_back(L'\0');
    block.push_back(L'\0');

    std::wstring commandLine =
        L"wine64 \"" + SelfPath() + L"\" --gtest_brief=1 --gtest_filter=" + filter;
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    bool ran = false;
    if (CreateProcessW(loader.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &si, &pi)) {
        // The handle stands for the host process that starts the loader, not
        // for the test program, so the child announces its end by the event.
        ran = WaitForSingleObject(done, 60000) == WAIT_OBJECT_0;
        if (pi.hThread)
            CloseHandle(pi.hThread);
        if (pi.hProcess)
            CloseHandle(pi.hProcess);
    }
    CloseHandle(done);
    return ran;
}

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
    EXPECT_EQ(info.GetString(L"NoSuchKey"), L"") << "asked again, now from the cache";
    EXPECT_EQ(info.GetString(L"FileDescription"), L"Test tool");
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

// Runs only inside the child started by the test below: reports what the
// reader chose for the user locale of that process.
TEST(VersionInfoChild, ReportChoice) {
    const wchar_t* reportPath = _wgetenv(kReportVariable);
    if (reportPath == nullptr)
        GTEST_SKIP() << "started only by VersionInfoTest.ChoosesTableByUserLocale";
    VersionInfo info;
    info.Load(FixturePath().c_str());
    const std::string description = WideToUtf8(info.GetString(L"FileDescription").view());
    const std::string language = WideToUtf8(info.Language().view());
    if (FILE* out = _wfopen(reportPath, L"wb")) {
        std::fprintf(out, "%.4x %s %s", GetUserDefaultLangID(), language.c_str(),
                     description.c_str());
        std::fclose(out);
    }
    if (const wchar_t* doneName = _wgetenv(kDoneVariable)) {
        if (HANDLE done = OpenEventW(EVENT_MODIFY_STATE, FALSE, doneName)) {
            SetEvent(done);
            CloseHandle(done);
        }
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
    if (WineLoader().empty())
        GTEST_SKIP() << "the user locale can be chosen per process only under Wine";
    for (const Case& c : cases) {
        TempDir dir;
        const std::wstring report = dir / L"report.txt";
        EXPECT_TRUE(RunChildUnderLocale(c.locale, L"VersionInfoChild.ReportChoice", report))
            << c.locale;
        EXPECT_EQ(TempDir::ReadFile(report), c.expected) << c.locale;
    }
}
