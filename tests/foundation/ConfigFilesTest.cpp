#include "foundation/ConfigFiles.h"

#include "ConfigFolders.h"
#include "foundation/Paths.h"
#include "foundation/ReplacingFile.h"
#include "foundation/mvini.h"

#include <thread>

namespace {

// Holds a file open without sharing, as another process writing it would.
HANDLE HoldExclusive(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

mvini LoadConfigIni(const wchar_t* name) {
    mvini ini(L"global");
    ini.SetString(L"stale", L"key", L"dropped by a load");
    LoadNamedIni(ini, false, name);
    return ini;
}

} // namespace

TEST(HexEncode, TwoLowerCaseDigitsPerByte) {
    const unsigned char bytes[] = {0x00, 0xAB, 0xFF, 0x10};
    mvstring out = L"old";
    EXPECT_EQ(HexEncode(out, bytes, 3), L"00abff");
    EXPECT_EQ(HexEncode(out, bytes + 3, 1), L"10");
    EXPECT_EQ(HexEncode(out, bytes, 0), L"");
    out = L"old";
    EXPECT_EQ(HexEncode(out, nullptr, 5), L"");
}

using ConfigFilesTest = ConfigFolders;

TEST_F(ConfigFilesTest, CopiesLiveBesideTheProgramAndUnderAppData) {
    EXPECT_EQ(ConfigPathBesideProgram(L"config.ini"), PathA(L"config.ini"));
    EXPECT_EQ(ConfigPathPerUser(L"config.ini"), PathB(L"config.ini"));
    SetConfigBaseFolders(L"", L"");
    wchar_t appData[MAX_PATH] = {};
    ASSERT_NE(ExpandEnvironmentStringsW(L"%APPDATA%\\Velquin\\x.ini", appData, MAX_PATH), 0u);
    EXPECT_EQ(ConfigPathPerUser(L"x.ini"), appData);
}

TEST_F(ConfigFilesTest, ReadingTakesTheNewerCopyAndTheOneBesideTheProgramOnATie) {
    struct Case {
        int timeA; // -1: no copy
        int timeB;
        const wchar_t* expected; // value of the copy read; null: none
    } cases[] = {
        {100, 100, L"A"}, {100, 200, L"B"}, {200, 100, L"A"},
        {-1, 100, L"B"},  {100, -1, L"A"},  {-1, -1, nullptr},
    };
    for (const Case& c : cases) {
        DeleteFileW(PathA(L"config.ini").c_str());
        DeleteFileW(PathB(L"config.ini").c_str());
        if (c.timeA >= 0)
            SetWriteTime(WriteA(L"config.ini", "[global]\r\ncopy=A\r\n"), c.timeA);
        if (c.timeB >= 0)
            SetWriteTime(WriteB(L"config.ini", "[global]\r\ncopy=B\r\n"), c.timeB);
        SCOPED_TRACE(testing::Message() << c.timeA << " " << c.timeB);

        mvstring path = L"old";
        FileHandle file = OpenConfigFile(L"config.ini", &path);
        EXPECT_EQ(static_cast<bool>(file), c.expected != nullptr);
        EXPECT_EQ(path,
                  c.expected && *c.expected == L'B' ? PathB(L"config.ini") : PathA(L"config.ini"));
        if (!file) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
        }
        file.Reset();

        mvini ini = LoadConfigIni(L"config.ini");
        if (c.expected) {
            EXPECT_EQ(ini.GetString(L"global", L"copy"), c.expected);
            EXPECT_EQ(ini.size(), 1u);
        } else {
            EXPECT_TRUE(ini.empty());
        }
    }
}

TEST_F(ConfigFilesTest, OnlyTheAppDataCopyIsReadThenSavesGoBesideTheProgram) {
    SetWriteTime(WriteB(L"uistates.ini", "[global]\r\nold=1\r\n"), 0);
    mvini save(L"global");
    save.SetString(L"global", L"new", L"2");
    LoadNamedIni(save, true, L"uistates.ini");

    // The merged content went to the copy beside the program, which is now
    // the newer one; the per-user copy is left as it was.
    EXPECT_EQ(ReadUtf16(PathA(L"uistates.ini")), L"[global]\r\nnew = 2\r\nold = 1\r\n\r\n");
    EXPECT_EQ(TempDir::ReadFile(PathB(L"uistates.ini")), "[global]\r\nold=1\r\n");
    mvstring path;
    OpenConfigFile(L"uistates.ini", &path);
    EXPECT_EQ(path, PathA(L"uistates.ini"));
}

TEST_F(ConfigFilesTest, SavesGoToAppDataWhenTheProgramFolderIsNotWritable) {
    m_dir.WriteFile(L"prog\\Config", "a file where the folder should be");
    mvini save(L"global");
    save.SetString(L"global", L"k", L"v");
    LoadNamedIni(save, true, L"hexview.ini");
    EXPECT_EQ(ReadUtf16(PathB(L"hexview.ini")), L"[global]\r\nk = v\r\n\r\n");
    EXPECT_EQ(LoadConfigIni(L"hexview.ini").GetString(L"global", L"k"), L"v");

    mvstring path;
    ReplacingFile file;
    EXPECT_TRUE(OpenConfigFileForReplacing(L"hexview.ini", file, &path));
    EXPECT_EQ(path, PathB(L"hexview.ini"));
}

TEST_F(ConfigFilesTest, SaveMergesKeepingForeignKeysAndTheFirstSpelling) {
    WriteA(L"config.ini", "[Global]\r\nForeign = 1\r\nsortcolumn = 9\r\n[Other]\r\nz = 2\r\n");
    mvini save(L"global");
    save.SetString(L"GLOBAL", L"SortColumn", L"3");
    save.SetString(L"global", L"New", L"x y");
    save.SetString(L"Third", L"t", L"C:\\dir\\");
    LoadNamedIni(save, true, L"config.ini");
    EXPECT_EQ(ReadUtf16(PathA(L"config.ini")),
              L"[Global]\r\nForeign = 1\r\nNew = x y\r\nsortcolumn = 3\r\n\r\n"
              L"[Other]\r\nz = 2\r\n\r\n[Third]\r\nt = C:\\dir\\\\\r\n\r\n");
    EXPECT_FALSE(Exists(PathB(L"config.ini")));
}

TEST_F(ConfigFilesTest, SavingIntoAMissingFileCreatesItAndLoadingAMissingFileGivesNothing) {
    EXPECT_TRUE(LoadConfigIni(L"history.ini").empty());
    mvini save(L"global");
    save.SetString(L"Names", L"0000", L"*.txt");
    LoadNamedIni(save, true, L"history.ini");
    EXPECT_EQ(ReadUtf16(PathA(L"history.ini")), L"[Names]\r\n0000 = *.txt\r\n\r\n");
    std::vector<mvstring> values;
    EXPECT_TRUE(GetIniSectionValues(LoadConfigIni(L"history.ini"), L"names", values));
    EXPECT_EQ(values, std::vector<mvstring>{L"*.txt"});
}

TEST_F(ConfigFilesTest, AnEmptyNameOpensNothing) {
    mvstring path = L"old";
    EXPECT_FALSE(OpenConfigFile(L"", &path));
    EXPECT_TRUE(path.empty());
    path = L"old";
    ReplacingFile file;
    EXPECT_FALSE(OpenConfigFileForReplacing(L"", file, &path));
    EXPECT_TRUE(path.empty());
}

TEST_F(ConfigFilesTest, OpeningWaitsForAFileHeldByAnotherWriter) {
    const std::wstring path = WriteA(L"config.ini", "[global]\r\nk=v\r\n");
    for (bool write : {false, true}) {
        HANDLE held = HoldExclusive(path);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::thread releaser([held] {
            Sleep(300);
            CloseHandle(held);
        });
        const DWORD start = GetTickCount();
        FileHandle file = OpenFileRetry(path, write);
        const DWORD elapsed = GetTickCount() - start;
        releaser.join();
        EXPECT_TRUE(file) << write;
        EXPECT_GE(elapsed, 200u) << write;
        EXPECT_LT(elapsed, 1000u) << write;
    }
}

TEST_F(ConfigFilesTest, OpeningGivesUpAfterOneSecondWithTheSharingViolation) {
    const std::wstring path = WriteA(L"config.ini", "[global]\r\nk=v\r\n");
    HANDLE held = HoldExclusive(path);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const DWORD start = GetTickCount();
    FileHandle file = OpenFileRetry(path, false);
    const DWORD error = GetLastError();
    const DWORD elapsed = GetTickCount() - start;
    CloseHandle(held);
    EXPECT_FALSE(file);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_GE(elapsed, 950u);
    EXPECT_LT(elapsed, 3000u);
}

TEST_F(ConfigFilesTest, AHeldCopyIsNeitherReadAsMissingNorShadowedByASaveOfOnlyTheSavedKey) {
    // A copy that exists but stays held beyond the retry decides the outcome
    // by its own error, whether the other copy is missing or older: nothing
    // is read and nothing written, so no copy with only the changed key
    // appears next to (or newer than) the complete one.
    struct Case {
        bool holdA;            // else the per-user copy is held
        bool otherCopyPresent; // the other copy exists, with an older time
    } cases[] = {{true, false}, {false, false}, {true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "hold A " << c.holdA << ", other " << c.otherCopyPresent);
        DeleteFileW(PathA(L"config.ini").c_str());
        DeleteFileW(PathB(L"config.ini").c_str());
        const std::string heldText = "[global]\r\nkeep=1\r\n";
        const std::string otherText = "[global]\r\nolder=1\r\n";
        const std::wstring held =
            c.holdA ? WriteA(L"config.ini", heldText) : WriteB(L"config.ini", heldText);
        const std::wstring other = c.holdA ? PathB(L"config.ini") : PathA(L"config.ini");
        SetWriteTime(held, 200);
        if (c.otherCopyPresent)
            SetWriteTime(m_dir.WriteFile(other.substr(m_dir.Path().size() + 1), otherText), 100);
        HANDLE hold = HoldExclusive(held);
        ASSERT_NE(hold, INVALID_HANDLE_VALUE);

        mvstring path;
        EXPECT_FALSE(OpenConfigFile(L"config.ini", &path));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(path, held);
        mvini save(L"global");
        save.SetString(L"global", L"changed", L"1");
        LoadNamedIni(save, true, L"config.ini");
        CloseHandle(hold);

        EXPECT_EQ(TempDir::ReadFile(held), heldText);
        if (c.otherCopyPresent) {
            EXPECT_EQ(TempDir::ReadFile(other), otherText);
        } else {
            EXPECT_FALSE(Exists(other));
        }
    }
}

TEST_F(ConfigFilesTest, ACopyThatCannotBeReachedAsAFileDoesNotHideTheOtherCopy) {
    // The per-user folder cannot be reached (a name no file system takes,
    // answered as an offline share would be): the copy beside the program is
    // read, and a save keeps its keys.
    WriteA(L"config.ini", "[global]\r\nkeep=A\r\n");
    SetConfigBaseFolders(m_dir / L"prog", m_dir / L"offline|share");
    EXPECT_EQ(LoadConfigIni(L"config.ini").GetString(L"global", L"keep"), L"A");
    mvini save(L"global");
    save.SetString(L"global", L"changed", L"1");
    EXPECT_TRUE(LoadNamedIni(save, true, L"config.ini"));
    EXPECT_EQ(ReadUtf16(PathA(L"config.ini")), L"[global]\r\nchanged = 1\r\nkeep = A\r\n\r\n");

    // A folder takes the name of the copy beside the program: the per-user
    // copy is read, and the save, which cannot go beside the program, goes
    // there.
    SetConfigBaseFolders(m_dir / L"prog", m_dir / L"appdata");
    ASSERT_TRUE(CreateDirectoryW(PathA(L"hexview.ini").c_str(), nullptr));
    WriteB(L"hexview.ini", "[global]\r\nkeep=B\r\n");
    EXPECT_EQ(LoadConfigIni(L"hexview.ini").GetString(L"global", L"keep"), L"B");
    EXPECT_TRUE(LoadNamedIni(save, true, L"hexview.ini"));
    EXPECT_EQ(ReadUtf16(PathB(L"hexview.ini")), L"[global]\r\nchanged = 1\r\nkeep = B\r\n\r\n");
}

TEST_F(ConfigFilesTest, WithoutAPerUserCopySavesGoThereWhenTheCopyBesideTheProgramIsNoFile) {
    // The copy beside the program is a folder, or its folder's name is one
    // the file system refuses; no per-user copy exists yet. Saves must not be
    // lost: they create the per-user copy, which is read from then on.
    struct Case {
        const wchar_t* programFolder;
        bool folderInPlace;
    } cases[] = {{L"prog", true}, {L"bad|prog", false}};
    for (const Case& c : cases) {
        SetConfigBaseFolders(m_dir / c.programFolder, m_dir / L"appdata");
        const std::wstring copyA = ConfigPathBesideProgram(L"uistates.ini").str();
        if (c.folderInPlace) {
            ASSERT_TRUE(CreateDirectories(copyA));
        }
        DeleteFileW(PathB(L"uistates.ini").c_str());

        EXPECT_TRUE(LoadConfigIni(L"uistates.ini").empty());
        for (const wchar_t* value : {L"1", L"2"}) {
            mvini save(L"global");
            save.SetString(L"global", L"width", value);
            EXPECT_TRUE(LoadNamedIni(save, true, L"uistates.ini")) << value;
            EXPECT_EQ(LoadConfigIni(L"uistates.ini").GetString(L"global", L"width"),
                      mvstring(value));
        }
        mvstring chosen;
        EXPECT_TRUE(OpenConfigFile(L"uistates.ini", &chosen));
        EXPECT_EQ(chosen, PathB(L"uistates.ini"));
    }
}

TEST(GetIniSectionValues, ValuesInKeyOrderIgnoringCase) {
    mvini ini(L"global");
    ini.SetString(L"Words", L"0001", L"second");
    ini.SetString(L"Words", L"0000", L"first");
    ini.SetString(L"Words", L"B", L"upper b");
    ini.SetString(L"Words", L"a", L"lower a");
    std::vector<mvstring> values = {L"old"};
    EXPECT_TRUE(GetIniSectionValues(ini, L"WORDS", values));
    EXPECT_EQ(values, (std::vector<mvstring>{L"first", L"second", L"lower a", L"upper b"}));
    EXPECT_FALSE(GetIniSectionValues(ini, L"Names", values));
    EXPECT_TRUE(values.empty());
    EXPECT_FALSE(GetIniSectionValues(ini, L"", values));
}
