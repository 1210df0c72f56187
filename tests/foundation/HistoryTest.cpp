#include "foundation/History.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Handles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include "ConfigFolders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<mvstring>;

FILETIME LastWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

class HistoryTest : public ConfigFolders {
protected:
    void SetUp() override {
        ConfigFolders::SetUp();
        m_savedMaxHistory = Settings().MaxHistory;
    }
    void TearDown() override {
        Settings().MaxHistory = m_savedMaxHistory;
        ConfigFolders::TearDown();
    }

    static Texts Words() {
        Texts words;
        LoadHistory(nullptr, &words, nullptr);
        return words;
    }
    // The keys of one section of the copy beside the program, in file order.
    std::vector<std::wstring> KeysOf(const wchar_t* section) const {
        mvini ini;
        ini.Load(PathA(kHistoryIni));
        std::vector<std::wstring> keys;
        if (auto it = ini.find(section); it != ini.end())
            for (const auto& entry : it->second)
                keys.push_back(entry.first.str());
        return keys;
    }

    uint16_t m_savedMaxHistory = 32;
};

TEST_F(HistoryTest, AddPutsTextFirstAndKeepsOneSpellingOfEachText) {
    AddHistory(HistoryWords, L"alpha");
    AddHistory(HistoryWords, L"beta");
    AddHistory(HistoryWords, L"ALPHA");
    AddHistory(HistoryNames, L"alpha");
    AddHistory(HistoryFolders, L"C:\\Data");

    Texts names, words, folders;
    LoadHistory(&names, &words, &folders);
    EXPECT_EQ(words, (Texts{L"ALPHA", L"beta"}));
    EXPECT_EQ(names, (Texts{L"alpha"}));
    EXPECT_EQ(folders, (Texts{L"C:\\Data"}));
    EXPECT_EQ(KeysOf(L"Words"), (std::vector<std::wstring>{L"0000", L"0001"}));

    AddHistory(HistoryHexviewWords, L"4d 5a");
    mvini ini;
    ASSERT_TRUE(ini.Load(PathA(kHistoryIni)));
    EXPECT_EQ(ini.GetString(L"Hexview_Words", L"0000"), L"4d 5a");
}

TEST_F(HistoryTest, ListIsCutToMaxHistory) {
    Settings().MaxHistory = 3;
    for (const wchar_t* text : {L"one", L"two", L"three", L"four"})
        AddHistory(HistoryWords, text);
    EXPECT_EQ(Words(), (Texts{L"four", L"three", L"two"}));
    EXPECT_EQ(KeysOf(L"Words"), (std::vector<std::wstring>{L"0000", L"0001", L"0002"}));
}

TEST_F(HistoryTest, MissingFileGivesEmptyLists) {
    Texts names{L"stale"}, words{L"stale"}, folders{L"stale"};
    LoadHistory(&names, &words, &folders);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(words.empty());
    EXPECT_TRUE(folders.empty());
}

TEST_F(HistoryTest, CallsWithNothingToDoLeaveTheFileAlone) {
    const std::wstring path = WriteA(kHistoryIni, "[Words]\r\n0000=kept\r\n");
    SetWriteTime(path, 0);
    const FILETIME before = LastWriteTime(path);
    struct Call {
        uint8_t kind;
        const wchar_t* text;
    };
    for (const Call& call :
         {Call{HistoryWords, L""}, Call{0, L"x"}, Call{3, L"x"}, Call{16, L"x"}}) {
        AddHistory(call.kind, call.text);
        EXPECT_EQ(TempDir::ReadFile(path), "[Words]\r\n0000=kept\r\n") << call.kind;
        const FILETIME after = LastWriteTime(path);
        EXPECT_EQ(CompareFileTime(&before, &after), 0) << call.kind;
    }
    for (uint32_t kinds : {0u, 0x10u}) {
        ClearHistory(kinds);
        EXPECT_EQ(TempDir::ReadFile(path), "[Words]\r\n0000=kept\r\n") << kinds;
    }
}

TEST_F(HistoryTest, ClearRemovesOnlyTheNamedLists) {
    const std::wstring path = WriteA(kHistoryIni, "[Names]\r\n0000=n\r\n"
                                                  "[Words]\r\n0000=w\r\n"
                                                  "[Folders]\r\n0000=f\r\n"
                                                  "[Hexview_Words]\r\n0000=h\r\n");
    ClearHistory(HistoryWords);
    Texts names, words, folders;
    LoadHistory(&names, &words, &folders);
    EXPECT_EQ(names, (Texts{L"n"}));
    EXPECT_TRUE(words.empty());
    EXPECT_EQ(folders, (Texts{L"f"}));

    ClearHistory(HistoryNames | HistoryFolders);
    mvini ini;
    ini.Load(path);
    ASSERT_EQ(ini.size(), 1u);
    EXPECT_EQ(ini.GetString(L"Hexview_Words", L"0000"), L"h");

    // All lists: an empty ini, which the writer stores as an empty file.
    ClearHistory(HistoryAll);
    EXPECT_EQ(TempDir::ReadFile(path), "");
    EXPECT_TRUE(Words().empty());
}

// While another process holds history.ini, writing would go to the other
// folder and leave there a newer copy holding only the one change, which would
// hide every list the user had.
TEST_F(HistoryTest, FileThatCannotBeReadIsNotReplaced) {
    const std::string lists = "[Words]\r\n0000=kept\r\n[Names]\r\n0000=n\r\n";
    const std::wstring program = WriteA(kHistoryIni, lists);
    {
        FileHandle holder(
            CreateFileW(program.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        AddHistory(HistoryWords, L"added");
        ClearHistory(HistoryNames);
        EXPECT_FALSE(Exists(PathB(kHistoryIni)));
    }
    EXPECT_EQ(TempDir::ReadFile(program), lists);
    // Once free, the file is the base of the rewrite.
    AddHistory(HistoryWords, L"added");
    mvini ini;
    ASSERT_TRUE(ini.Load(program));
    EXPECT_EQ(ini.GetString(L"Words", L"0000"), L"added");
    EXPECT_EQ(ini.GetString(L"Words", L"0001"), L"kept");
    EXPECT_EQ(ini.GetString(L"Names", L"0000"), L"n");
}

} // namespace
