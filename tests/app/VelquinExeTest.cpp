#include "foundation/Handles.h"
#include "foundation/VersionInfo.h"
#include "search/SavedSearchFile.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

int ItemCount(SearchJob& job) {
    int n = 0;
    for (const FoundItem* item = job.first; item; item = item->next)
        ++n;
    return n;
}

// The exit code, and standard error: it starts with `error`, is empty when
// that is, and is one line.
void ExpectOutcome(const Outcome& outcome, const char* what, DWORD exitCode, const char* error) {
    EXPECT_EQ(outcome.exitCode, exitCode) << what;
    EXPECT_EQ(outcome.error.rfind(error, 0), 0u) << what << ": " << outcome.error;
    EXPECT_EQ(outcome.error.empty(), *error == 0) << what << ": " << outcome.error;
    if (!outcome.error.empty()) {
        EXPECT_EQ(outcome.error.find('\n'), outcome.error.size() - 1) << what;
    }
}

// Loads the result file into `written` and checks its item count (-1: no
// file). True when it was there.
bool ExpectResult(SearchJob& written, const std::wstring& path, int items, const char* what) {
    const bool exists = LoadSearchFile(written, path, false);
    EXPECT_EQ(exists, items >= 0) << what;
    if (exists) {
        EXPECT_EQ(ItemCount(written), items) << what;
    }
    return exists;
}

} // namespace

TEST(VelquinExe, WindowlessRunsWriteTheirResultOrSayWhyNot) {
    TempDir t;
    t.WriteFile(L"tree\\a.txt", "alpha");
    t.WriteFile(L"tree\\sub\\b.txt", "beta");
    const std::wstring tree = t / L"tree";
    const std::wstring result = t / L"result.velquin";
    const std::wstring criteria =
        L"\xFEFFVelquin03\r\nsearchinfo = " + tree + L"\r\n\tword = beta\r\n";
    t.WriteFile(L"criteria.velquin",
                std::string(reinterpret_cast<const char*>(criteria.data()), criteria.size() * 2));
    struct Case {
        const char* what;
        std::wstring arguments;
        DWORD exitCode;
        const char* error; // the start of the one line on standard error
        int items;         // in the result file; -1: no file
    } cases[] = {
        {"a folder", Quoted(tree) + L" /out " + Quoted(result), 0, "", 3},
        {"criteria from a file",
         L"/in " + Quoted(t / L"criteria.velquin") + L" /out " + Quoted(result), 0, "", 1},
        {"no folder at all", L"/out " + Quoted(result), 1, "Velquin: no existing folder", -1},
        {"a folder that does not exist", Quoted(t / L"gone") + L" /out " + Quoted(result), 1,
         "Velquin: no existing folder", -1},
        {"an unreadable criteria file",
         L"/in " + Quoted(t / L"none.velquin") + L" /out " + Quoted(result), 2,
         "Velquin: cannot read the criteria file", -1},
        {"a result file that cannot be written", Quoted(tree) + L" /out " + Quoted(tree), 3,
         "Velquin: cannot write the result file", -1},
    };
    for (const Case& c : cases) {
        DeleteFileW(result.c_str());
        const Outcome outcome = RunProgram(c.arguments);
        ASSERT_EQ(outcome.failure, "") << c.what;
        ExpectOutcome(outcome, c.what, c.exitCode, c.error);
        SearchJob written;
        ExpectResult(written, result, c.items, c.what);
    }
}

TEST(VelquinExe, OnlyWordsThatAreNotSwitchesAreFolders) {
    TempDir t;
    t.WriteFile(L"tree\\a.txt", "alpha");
    t.WriteFile(L"other\\b.txt", "beta");
    t.WriteFile(L"other\\c.txt", "gamma");
    // Folders named like the switches, with files a search of them would find.
    t.WriteFile(L"in\\x.txt", "x");
    t.WriteFile(L"in\\y.txt", "y");
    t.WriteFile(L"out\\z.txt", "z");
    const std::wstring tree = t / L"tree";
    const std::wstring other = t / L"other";
    const std::wstring criteria = L"\xFEFFVelquin03\r\nsearchinfo = " + tree + L"\r\n";
    t.WriteFile(L"crit.velquin",
                std::string(reinterpret_cast<const char*>(criteria.data()), criteria.size() * 2));
    const std::wstring result = t / L"r.velquin";
    struct Case {
        const char* what;
        const wchar_t* arguments; // run in the temporary folder
        DWORD exitCode;
        const char* error;     // the start of what it wrote to standard error
        int items;             // in the result file; -1: no file
        std::wstring folders;  // the result file's folders
    } cases[] = {
        {"switch names beside folders of that name", L"/in crit.velquin /out r.velquin", 0, "", 1,
         tree},
        {"several folders, all searched", L"tree other /out r.velquin", 0, "", 3,
         tree + L"|" + other},
        {"relative folders stored in full", L"other\\..\\tree /out r.velquin", 0, "", 1, tree},
        {"a folder after a switch without values", L"/runnow tree /out r.velquin", 0, "", 1, tree},
        {"/out without a name", L"tree /out", 3, "Velquin: no result file named", -1, L""},
        {"/out with an empty name", L"/out \"\" tree", 3, "Velquin: no result file named", -1,
         L""},
        {"/in without a name", L"/in /out r.velquin", 2, "Velquin: no criteria file named", -1,
         L""},
        {"/in with an empty name", L"/in \"\" tree /out r.velquin", 2,
         "Velquin: no criteria file named", -1, L""},
        {"an unknown switch before the folder", L"/bogus tree /out r.velquin", 4,
         "Velquin: unknown switch /bogus", -1, L""},
        {"an unknown switch at the end", L"tree /out r.velquin /Bogus", 4,
         "Velquin: unknown switch /Bogus", -1, L""},
        {"a missing folder among others", L"tree gone /out r.velquin", 1,
         "Velquin: no existing folder to search in gone", -1, L""},
        {"a window run names what it leaves unused", L"/bogus tree", 0,
         "Velquin: unknown switch /bogus", -1, L""},
    };
    for (const Case& c : cases) {
        DeleteFileW(result.c_str());
        const Outcome outcome = RunProgram(c.arguments, t.Path(), /*closeWindow=*/true);
        ASSERT_EQ(outcome.failure, "") << c.what;
        ExpectOutcome(outcome, c.what, c.exitCode, c.error);
        SearchJob written;
        if (ExpectResult(written, result, c.items, c.what)) {
            EXPECT_EQ(written.criteria.folders, c.folders) << c.what;
        }
    }
}

TEST(VelquinExe, AHexViewerRunShowsOnlyTheHexViewerAndEndsWithIt) {
    // The hex viewer's window stands alone: no main window comes, and the
    // program ends with exit code 0 when the viewer closes.
    TempDir t;
    t.WriteFile(L"bytes.bin", std::string(256, 'A'));
    ProgramProcess run;
    ASSERT_TRUE(run.Start(L"/hexview \"" + (t / L"bytes.bin") + L"\" 16 16")) << run.outcome.failure;
    const HWND viewer = run.WaitForWindow(nullptr);
    ASSERT_NE(viewer, nullptr) << "no window came";
    EXPECT_EQ(run.FindWindowOf(L"Velquin"), nullptr) << "the main window came too";
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.Wait(60000)) << run.outcome.failure;
    EXPECT_EQ(run.outcome.exitCode, 0u);
    EXPECT_EQ(run.outcome.error, "");
}

TEST(VelquinExe, CarriesItsManifestVersionAndFolders) {
    ModuleHandle module(LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module);
    const HRSRC found = FindResourceW(module.Get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const std::string manifest(
        static_cast<const char*>(LockResource(LoadResource(module.Get(), found))),
        SizeofResource(module.Get(), found));
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "<dpiAwareness", "PerMonitorV2", "true/pm"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;

    VersionInfo version;
    version.Load(ProgramPath().c_str());
    EXPECT_EQ(version.GetString(L"ProductName"), L"Velquin");
    EXPECT_EQ(version.GetString(L"OriginalFilename"), L"Velquin.exe");
    const std::string expected = VELQUIN_VERSION;
    EXPECT_EQ(version.GetString(L"FileVersion"), std::wstring(expected.begin(), expected.end()));

    for (const wchar_t* folder : {L"\\Lang", L"\\Theme", L"\\Config"})
        EXPECT_EQ(GetFileAttributesW((ProgramFolder() + folder).c_str()) & FILE_ATTRIBUTE_DIRECTORY,
                  static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY))
            << folder;
    if (VELQUIN_HAS_LANG) {
        EXPECT_NE(GetFileAttributesW((ProgramFolder() + L"\\Lang\\english.ini").c_str()),
                  INVALID_FILE_ATTRIBUTES);
    }
}
