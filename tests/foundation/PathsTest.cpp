#include "foundation/Paths.h"

#include "foundation/Handles.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

const wchar_t kAppDataToken[] = L"%{3EB685DB-65F9-4CF6-A03A-E3EF65729F3D}%";

mvstring RoamingAppData() {
    CoTaskMemHandle<wchar_t> path;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr,
                                    path.Put())))
        return {};
    return path.Get();
}

// Sets an environment variable of this process for the life of the object.
struct ScopedEnv {
    const wchar_t* name;
    ScopedEnv(const wchar_t* n, const std::wstring& value) : name(n) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnv() { SetEnvironmentVariableW(name, nullptr); }
};

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A path and what a path function makes of it.
struct PathCase {
    std::wstring path;
    std::wstring expected;
};

template <typename Form, size_t N> void ExpectForms(Form form, const PathCase (&cases)[N]) {
    for (const PathCase& c : cases)
        EXPECT_EQ(form(c.path).str(), c.expected) << testing::PrintToString(c.path);
}

} // namespace

TEST(Paths, PathJoin) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* name;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\dir", L"file", L"C:\\dir\\file"},
        {L"C:\\dir\\", L"file", L"C:\\dir\\file"},
        {L"C:\\dir", L"\\file", L"C:\\dir\\file"},
        {L"", L"file", L"file"},
        {L"C:\\dir\\", L"\\file", L"C:\\dir\\\\file"},
        {L"C:\\dir", L"", L"C:\\dir"},
        {L"", L"", L""},
        {L"a", L"b\\c", L"a\\b\\c"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathJoin(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
}

TEST(Paths, PathParent) {
    struct Case {
        const wchar_t* path;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\a\\b\\", L"C:\\a"},
        {L"C:\\a\\b", L"C:\\a"},
        {L"C:\\a", L"C:"},
        {L"C:", L""},
        {L"\\x", L""},
        {L"\\\\\\", L"\\\\\\"},
        {L"", L""},
        {L"a\\\\b", L"a\\"},
        {L"C:\\a\\\\\\", L"C:"},
        {L"\\\\srv\\share", L"\\\\srv"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathParent(c.path), c.expected) << c.path;
}

// The run without windows finds names and extensions without the shell
// library; what it finds must be what that library finds.
TEST(Paths, FileNameAndExtensionAreWhereTheShellFindsThem) {
    const wchar_t* cases[] = {
        L"",
        L"file",
        L"file.txt",
        L"C:\\dir\\file.txt",
        L"C:\\dir\\",
        L"C:\\dir\\\\",
        L"C:",
        L"C:file.x",
        L"C:\\",
        L"\\\\server\\share",
        L"a/b.c/d",
        L"a/b/",
        L"dir.d\\file",
        L"x.tar.gz",
        L".hidden",
        L"trail.",
        L"a.b c",
        L"a.b\\",
        L"a\\.",
        L"::",
        L"a:b:c.d",
        L"\\\\?\\C:\\x.y",
        L"name. ext",
        L"a//b",
        L"/",
    };
    for (const wchar_t* path : cases) {
        const std::string shown = testing::PrintToString(std::wstring(path));
        EXPECT_EQ(PathFileName(path) - path, PathFindFileNameW(path) - path) << shown;
        EXPECT_EQ(PathExtension(path) - path, PathFindExtensionW(path) - path) << shown;
    }
    EXPECT_EQ(PathFileName(nullptr), nullptr);
    EXPECT_EQ(PathExtension(nullptr), nullptr);
}

TEST(Paths, ExpandPathVariables) {
    TempDir t;
    ScopedEnv env(L"VQ_PATHS_DIR", t.Path());
    struct Case {
        const wchar_t* text;
        std::wstring expected;
    } cases[] = {
        {L"", L""},
        {L"C:\\plain\\path", L"C:\\plain\\path"},
        {L"%VQ_PATHS_DIR%\\x", t.Path() + L"\\x"},
        {L"%NOSUCHVAR_VQ%\\x", L"%NOSUCHVAR_VQ%\\x"},
        {L"100%", L"100%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandPath(c.text), c.expected) << c.text;
    EXPECT_EQ(ExpandPath(static_cast<const wchar_t*>(nullptr)), L"");
}

TEST(Paths, ExpandKnownFolderTokens) {
    const mvstring appData = RoamingAppData();
    ASSERT_FALSE(appData.empty());
    const std::wstring token = kAppDataToken;
    const std::wstring notGuid = L"%this text is not a folder identifier at all%";
    struct Case {
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {token, appData.str()},
        {token + L"\\Velquin\\" + token, appData.str() + L"\\Velquin\\" + appData.str()},
        // The variable stays and, with fewer than 36 characters between its
        // percent signs, ends the scan before the token.
        {L"%NOSUCHVAR%\\" + token, L"%NOSUCHVAR%\\" + token},
        // A long non-identifier stays and the scan goes on after it.
        {notGuid + L"x" + token, notGuid + L"x" + appData.str()},
        // An identifier whose first 32 bits are zero is never looked up.
        {L"%{00000000-65F9-4CF6-A03A-E3EF65729F3D}%", L"%{00000000-65F9-4CF6-A03A-E3EF65729F3D}%"},
        // An unknown folder identifier stays.
        {L"%{11111111-2222-3333-4444-555555555555}%\\a",
         L"%{11111111-2222-3333-4444-555555555555}%\\a"},
        {L"a" + token.substr(0, token.size() - 1), L"a" + token.substr(0, token.size() - 1)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandPath(c.text), c.expected) << c.text;

    // Variables are expanded first, so a variable may hold a token.
    ScopedEnv env(L"VQ_PATHS_TOKEN", token);
    EXPECT_EQ(ExpandPath(L"%VQ_PATHS_TOKEN%\\x"), appData + L"\\x");
    // ExpandKnownFolders alone leaves variables alone.
    EXPECT_EQ(ExpandKnownFolders(L"%VQ_PATHS_TOKEN%"), L"%VQ_PATHS_TOKEN%");
}

TEST(Paths, GetPathKind) {
    TempDir t;
    t.WriteFile(L"file.txt", "x");
    CreateDirectoryW((t / L"sub").c_str(), nullptr);
    ScopedEnv env(L"VQ_PATHS_DIR", t.Path());
    struct Case {
        std::wstring path;
        int expected;
    } cases[] = {
        {L"", 0},
        {t / L"missing", 0},
        {t / L"file.txt", 1},
        {t / L"sub", 2},
        {t.Path(), 2},
        {L"%TEMP%", 2},
        {L"%VQ_PATHS_DIR%\\file.txt", 1},
        {L"%VQ_PATHS_DIR%\\sub", 2},
        {L"%NOSUCHVAR_VQ%", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetPathKind(c.path), c.expected) << c.path;
}

TEST(Paths, AbsolutePathKind) {
    ScopedEnv env(L"VQ_PATHS_ABS", L"D:\\data");
    struct Case {
        const wchar_t* path;
        int expected;
    } cases[] = {
        {L"\\\\server\\share", 2},
        {L"\\\\x", 0},
        {L"\\\\server", 0},
        {L"\\\\\\x", 0},
        {L"C:\\", 1},
        {L"C:\\dir\\f", 1},
        {L"C:x", 0},
        {L"C:", 0},
        {L"dir\\file", 0},
        {L"\\dir", 0},
        {L"", 0},
        {L"%VQ_PATHS_ABS%", 1},
        {L"\\\\srv\\", 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AbsolutePathKind(c.path), c.expected) << c.path;
}

TEST(Paths, CreateDirectoriesMakesTheMissingChain) {
    TempDir t;
    ScopedEnv env(L"VQ_PATHS_DIR", t.Path());
    const std::wstring cases[] = {t / L"a\\b\\c", t / L"d\\e\\", L"%VQ_PATHS_DIR%\\f\\g"};
    for (const std::wstring& path : cases) {
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_TRUE(CreateDirectories(path)) << path;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << path;
    }
    for (const wchar_t* folder : {L"a", L"a\\b", L"a\\b\\c", L"d\\e", L"f\\g"})
        EXPECT_TRUE(IsFolder(t / folder)) << folder;

    // An existing folder is simply accepted, again and again.
    EXPECT_TRUE(CreateDirectories(t / L"a\\b"));
    EXPECT_TRUE(CreateDirectories(t.Path()));
    EXPECT_TRUE(IsFolder(t / L"a\\b\\c"));
}

TEST(Paths, CreateDirectoriesRefusals) {
    TempDir t;
    t.WriteFile(L"file.txt", "x");
    const std::wstring cases[] = {L"", t / L"file.txt", t / L"file.txt\\sub", t / L"bad<name>\\sub",
                                  L"nofolder"};
    for (const std::wstring& path : cases)
        EXPECT_FALSE(CreateDirectories(path)) << path;
    EXPECT_FALSE(IsFolder(t / L"bad<name>"));
    EXPECT_EQ(GetFileAttributesW((t / L"file.txt\\sub").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Paths, ExactPathFormKeepsEveryNameAndResolvesOnlySteps) {
    const std::wstring deep = L"C:\\" + std::wstring(300, L'a') + L"\\f";
    const PathCase cases[] = {
        {L"C:\\short", L"\\\\?\\C:\\short"},
        {L"C:\\dir\\trail.txt ", L"\\\\?\\C:\\dir\\trail.txt "},
        {L"C:\\dir.\\dot.", L"\\\\?\\C:\\dir.\\dot."},
        {L"C:\\dir\\CON", L"\\\\?\\C:\\dir\\CON"},
        {L"C:\\dir\\nul.txt", L"\\\\?\\C:\\dir\\nul.txt"},
        {L"c:/dir/sub/", L"\\\\?\\c:\\dir\\sub"},
        {L"C:\\dir\\.\\a\\..\\b", L"\\\\?\\C:\\dir\\b"},
        {L"C:\\dir\\\\b\\\\", L"\\\\?\\C:\\dir\\b"},
        {L"C:\\..\\..\\x", L"\\\\?\\C:\\x"},
        {L"C:\\dir\\...", L"\\\\?\\C:\\dir\\..."},
        {L"C:\\", L"\\\\?\\C:\\"},
        {L"C:\\dir\\..", L"\\\\?\\C:\\"},
        {deep, L"\\\\?\\" + deep},
        {L"\\\\server\\share\\a b .\\f", L"\\\\?\\UNC\\server\\share\\a b .\\f"},
        {L"\\\\server\\share\\..\\..\\x", L"\\\\?\\UNC\\server\\share\\x"},
        {L"\\\\server\\share", L"\\\\?\\UNC\\server\\share\\"},
        // Already exact, devices, and what has no root to build on.
        {L"\\\\?\\C:\\x.", L"\\\\?\\C:\\x."},
        {L"\\\\?\\UNC\\s\\h\\x", L"\\\\?\\UNC\\s\\h\\x"},
        {L"\\\\.\\pipe\\p", L"\\\\.\\pipe\\p"},
        {L"\\\\server", L"\\\\server"},
        {L"\\\\server\\", L"\\\\server\\"},
        {L"C:rel", L"C:rel"},
        {L"", L""},
    };
    ExpectForms(ExactPathForm, cases);
}

TEST(Paths, ExactPathFormTakesRelativePathsFromTheCurrentFolder) {
    TempDir t;
    ASSERT_EQ(t.Path()[1], L':');
    wchar_t saved[MAX_PATH + 1]{};
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH + 1, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(t.Path().c_str()));
    const std::wstring here = L"\\\\?\\" + t.Path();
    const std::wstring parent = here.substr(0, here.rfind(L'\\'));
    const std::wstring drive = here.substr(0, 6);
    const PathCase cases[] = {
        {L"rel\\x ", here + L"\\rel\\x "},
        {L".\\a.", here + L"\\a."},
        {L"..\\b", parent + L"\\b"},
        {L".", here},
        {L"\\top\\con", drive + L"\\top\\con"},
    };
    ExpectForms(ExactPathForm, cases);
    SetCurrentDirectoryW(saved);
}

TEST(Paths, ShellPathFormIsPlainWhenTheSystemReadsTheNameAsItIs) {
    const std::wstring deep = L"C:\\" + std::wstring(300, L'a') + L"\\f";
    const PathCase cases[] = {
        {L"C:\\dir\\plain.txt", L"C:\\dir\\plain.txt"},
        {L"C:\\dir\\with blank.txt", L"C:\\dir\\with blank.txt"},
        {L"\\\\server\\share\\x.txt", L"\\\\server\\share\\x.txt"},
        {L"C:\\dir\\trail.txt ", L"\\\\?\\C:\\dir\\trail.txt "},
        {L"C:\\dir\\dot.", L"\\\\?\\C:\\dir\\dot."},
        {L"C:\\dir\\CON", L"\\\\?\\C:\\dir\\CON"},
        {L"C:\\dir\\nul.txt", L"\\\\?\\C:\\dir\\nul.txt"},
        // Device names are devices only on drive paths.
        {L"\\\\server\\share\\aux", L"\\\\server\\share\\aux"},
        {L"\\\\server\\share\\x.", L"\\\\?\\UNC\\server\\share\\x."},
        {deep, L"\\\\?\\" + deep},
        {L"", L""},
    };
    ExpectForms(ShellPathForm, cases);
}
