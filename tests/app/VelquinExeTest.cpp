#include "foundation/Handles.h"
#include "foundation/VersionInfo.h"
#include "search/SavedSearchFile.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The build's path of the program as Wine shows it (the Linux root is Z:).
std::wstring ProgramPath() {
    std::wstring path = L"Z:";
    for (const char* p = VELQUIN_EXE; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}

std::wstring ProgramFolder() {
    const std::wstring path = ProgramPath();
    return path.substr(0, path.rfind(L'\\'));
}

struct Outcome {
    DWORD exitCode = 0xDEAD;
    std::string error;   // what it wrote to standard error
    std::string failure; // what went wrong in starting or waiting, if anything
};

std::string Failed(const char* step) {
    return std::string(step) + " failed with error " + std::to_string(GetLastError());
}

// Starts the program with the arguments in the folder (the test's own when
// empty), its standard error in a pipe, and waits up to three minutes for it
// to end: on a machine shared with other builds a Wine process can take long
// to come up. A start refused by a busy system is tried once more.
Outcome RunProgram(const std::wstring& arguments, const std::wstring& folder = L"") {
    Outcome outcome;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16)) {
        outcome.failure = Failed("CreatePipe");
        return outcome;
    }
    KernelHandle reader(readEnd);
    KernelHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = writeEnd;
    startup.hStdOutput = writeEnd;
    std::wstring commandLine = L"\"" + ProgramPath() + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    bool started = false;
    for (int attempt = 0; attempt < 2 && !started; ++attempt) {
        if (attempt > 0)
            Sleep(1000);
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    }
    if (!started) {
        outcome.failure = Failed("CreateProcessW");
        return outcome;
    }
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    writer.Reset(); // only the program holds the writing end now
    const DWORD waited = WaitForSingleObject(process.hProcess, 180000);
    if (waited != WAIT_OBJECT_0) {
        outcome.failure = waited == WAIT_TIMEOUT ? std::string("no end within three minutes")
                                                 : Failed("WaitForSingleObject");
        TerminateProcess(process.hProcess, 99);
        return outcome;
    }
    if (!GetExitCodeProcess(process.hProcess, &outcome.exitCode))
        outcome.failure = Failed("GetExitCodeProcess");
    char buffer[4096];
    DWORD got = 0;
    // Only what is there: helpers the system started for the program may
    // still hold the writing end.
    DWORD available = 0;
    while (PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(reader.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        outcome.error.append(buffer, got);
    return outcome;
}

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
        const Outcome outcome = RunProgram(c.arguments, t.Path());
        ASSERT_EQ(outcome.failure, "") << c.what;
        ExpectOutcome(outcome, c.what, c.exitCode, c.error);
        SearchJob written;
        if (ExpectResult(written, result, c.items, c.what)) {
            EXPECT_EQ(written.criteria.folders, c.folders) << c.what;
        }
    }
}

TEST(VelquinExe, StartsWithoutOutEndCleanly) {
    // Until the main window exists, these end at once with exit code 0.
    for (const wchar_t* arguments : {L"", L"/runnow", L"/hexview C:\\nothing.bin 16 16"}) {
        const Outcome outcome = RunProgram(arguments);
        ASSERT_EQ(outcome.failure, "") << arguments;
        EXPECT_EQ(outcome.exitCode, 0u) << arguments;
        EXPECT_EQ(outcome.error, "") << arguments;
    }
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
