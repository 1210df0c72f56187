#include "search/SavedSearchFile.h"

#include "foundation/ConfigFolders.h"
#include "foundation/Handles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "support/HeldFile.h"
#include "support/LockProbe.h"
#include "support/ScopedSetting.h"
#include "support/TempDir.h"
#include "support/TestItems.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Utf16(std::wstring_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string Marked(std::wstring_view text) {
    return "\xFF\xFE" + Utf16(text);
}

struct ItemData {
    const wchar_t* folder;
    const wchar_t* name;
    uint64_t size;
    uint32_t attr;
    int64_t wsoffset;
    int32_t wslen;
};

void AddItem(SearchJob& job, const ItemData& d, uint64_t time) {
    FoundItem item;
    TestItem{d.folder, d.name, d.size, d.attr, time, time + 1, time + 2}.FillIn(item);
    item.wsoffset = d.wsoffset;
    item.wslen = d.wslen;
    ASSERT_NE(AddFoundItem(job, item, nullptr), nullptr);
}

// The job's items in the order of finding, as "folder|name|size|attr|offset|len".
std::vector<std::wstring> Describe(SearchJob& job) {
    std::vector<std::wstring> out;
    for (const FoundItem* item = job.first; item; item = item->next)
        out.push_back(item->folder.str() + L"|" + item->name.str() + L"|" +
                      std::to_wstring(item->size) + L"|" + std::to_wstring(item->attr) + L"|" +
                      std::to_wstring(item->wsoffset) + L"|" + std::to_wstring(item->wslen));
    return out;
}

// The start of the first line after `from` (the end when there is none).
size_t LineStart(const std::string& bytes, size_t from) {
    const size_t at = bytes.find(Utf16(L"\r\n"), from);
    return at == std::string::npos ? bytes.size() : at + 4;
}

const ItemData kItems[] = {
    {L"C:\\a", L"one.txt", 0, 0, -1, 0},      {L"C:\\a", L"two.txt", 5, 32, 3, 2},
    {L"C:\\b", L"  blank start", 7, 1, 0, 4}, {L"C:\\a", L"three", 1, 16, -1, 0},
    {L" C:\\lead", L"x", 2, 0, -1, 0},
};

class SavedSearchFileTest : public ConfigFolders {
protected:
    std::wstring Save(SearchJob& job, bool criteriaOnly, const wchar_t* name = L"s.velquin") {
        const std::wstring path = m_dir / name;
        EXPECT_TRUE(SaveSearchFile(job, path, criteriaOnly));
        return path;
    }

    ScopedBoolSetting m_keepMissing{Settings().RemoveNonExists, false};
};

} // namespace

TEST_F(SavedSearchFileTest, WritesTheCriteriaThatDifferInTheirOrder) {
    SearchJob job;
    job.criteria.folders = L"C:\\x";
    EXPECT_EQ(TempDir::ReadFile(Save(job, true)), Marked(L"Velquin03\r\nsearchinfo = C:\\x\r\n"));
    EXPECT_EQ(TempDir::ReadFile(Save(job, false)),
              Marked(L"Velquin03\r\nsearchinfo = C:\\x\r\n\r\n")); // no results: an empty line

    SearchCriteria& c = job.criteria;
    c.folders = L"C:\\x|D:\\";
    c.name = L"*.txt";
    c.name_opt = 0x102; // only the low byte is written
    c.name_case = true;
    c.word = L"w";
    c.word_opt = 3;
    c.word_case = false;
    c.word_hex = true;
    c.size_mode = 1;
    c.size_logic1 = 4;
    c.size_logic2 = 2;
    c.size1 = 1.5;
    c.size2 = 200;
    c.date_mode = 2;
    c.date_part = 1;
    c.date_logic1 = 5;
    c.date_logic2 = 3;
    c.date1 = 133000000000000000ull;
    c.date2 = 18446744073709551615ull;
    c.date_usesec = true;
    c.attr = 0x17;
    c.subfolder = false;
    EXPECT_EQ(TempDir::ReadFile(Save(job, true)),
              Marked(L"Velquin03\r\nsearchinfo = C:\\x|D:\\\r\n"
                     L"\tname = *.txt\r\n\tname_opt = 2\r\n\tname_case = true\r\n"
                     L"\tword = w\r\n\tword_opt = 3\r\n\tword_case = false\r\n\tword_hex = true\r\n"
                     L"\tsize_mode = 1\r\n\tsize_logic1 = 4\r\n\tsize_logic2 = 2\r\n"
                     L"\tsize1 = 1.5\r\n\tsize2 = 200\r\n"
                     L"\tdate_mode = 2\r\n\tdate_part = 1\r\n\tdate_logic1 = 5\r\n"
                     L"\tdate_logic2 = 3\r\n\tdate1 = 133000000000000000\r\n"
                     L"\tdate2 = 18446744073709551615\r\n\tdate_usesec = true\r\n"
                     L"\tattr = 23\r\n\tsubfolder = false\r\n"));
}

TEST_F(SavedSearchFileTest, WritesResultsInTheOrderOfFinding) {
    SearchJob job;
    job.criteria.folders = L"C:\\";
    for (const ItemData& d : kItems)
        AddItem(job, d, 100);
    std::reverse(job.results.begin(), job.results.end()); // a sorted display order
    EXPECT_EQ(TempDir::ReadFile(Save(job, false)),
              Marked(L"Velquin03\r\nsearchinfo = C:\\\r\n\r\n"
                     L"folder = C:\\a\r\n"
                     L"\tname = one.txt\r\n\t\tdate_m = 100\r\n\t\tdate_c = 101\r\n"
                     L"\t\tdate_a = 102\r\n"
                     L"\tname = two.txt\r\n\t\tsize = 5\r\n\t\tdate_m = 100\r\n"
                     L"\t\tdate_c = 101\r\n\t\tdate_a = 102\r\n\t\tattr = 32\r\n"
                     L"\t\twsoffset = 3\r\n\t\twslen = 2\r\n"
                     L"folder = C:\\b\r\n"
                     L"\tname =   blank start\r\n\t\tsize = 7\r\n\t\tdate_m = 100\r\n"
                     L"\t\tdate_c = 101\r\n\t\tdate_a = 102\r\n\t\tattr = 1\r\n"
                     L"\t\twsoffset = 0\r\n\t\twslen = 4\r\n"
                     L"folder = C:\\a\r\n"
                     L"\tname = three\r\n\t\tsize = 1\r\n\t\tdate_m = 100\r\n"
                     L"\t\tdate_c = 101\r\n\t\tdate_a = 102\r\n\t\tattr = 16\r\n"
                     L"folder =  C:\\lead\r\n"
                     L"\tname = x\r\n\t\tsize = 2\r\n\t\tdate_m = 100\r\n"
                     L"\t\tdate_c = 101\r\n\t\tdate_a = 102\r\n"));
}

TEST_F(SavedSearchFileTest, RefusesWhatCannotBeSavedWhole) {
    struct Case {
        const wchar_t* what;
        const wchar_t* folders;
        const wchar_t* name;
        const wchar_t* word;
    } cases[] = {
        {L"line feed in the locations", L"C:\\a\nname = evil", L"", L""},
        {L"carriage return in the name", L"C:\\a", L"a\rb", L""},
        {L"line break in the words", L"C:\\a", L"", L"x\r\ny"},
    };
    for (const Case& c : cases) {
        SearchJob job;
        job.criteria.folders = c.folders;
        job.criteria.name = c.name;
        job.criteria.word = c.word;
        const std::wstring path = m_dir / L"refused.velquin";
        EXPECT_FALSE(SaveSearchFile(job, path, true)) << c.what;
        EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
    }
    SearchJob job;
    job.criteria.folders = L"C:\\";
    EXPECT_FALSE(SaveSearchFile(job, L"", true));
    EXPECT_FALSE(SaveSearchFile(job, m_dir.Path(), true)); // a folder
}

TEST_F(SavedSearchFileTest, AFullDiskIsNotReportedAsSaved) {
    // Wine shows the Linux root as Z:, and its device that is always full
    // fails every write as a full disk does.
    const wchar_t* full = L"Z:\\dev\\full";
    {
        FileHandle probe(CreateFileW(full, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!probe || WriteFile(probe.Get(), "x", 1, &written, nullptr))
            GTEST_SKIP() << "no always-full device here";
    }
    SearchJob job;
    job.criteria.folders = L"C:\\";
    AddItem(job, kItems[0], 1);
    EXPECT_FALSE(SaveSearchFile(job, full, false));
}

TEST_F(SavedSearchFileTest, OnAFullDeviceTheEarlierFileStaysAndNothingIsLeftBesideIt) {
    // A folder on a small device that has only a few pages left, made by
    // tests/app/full_device_test.sh where the host allows a mount.
    const wchar_t* device = _wgetenv(L"VELQUIN_FULL_DEVICE");
    if (!device || !*device)
        GTEST_SKIP() << "needs a small full device: run through full_device_test.sh";
    const std::wstring folder = std::wstring(device) + L"\\saved";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring config = folder + L"\\Config";
    ASSERT_TRUE(CreateDirectoryW(config.c_str(), nullptr));
    SetConfigBaseFolders(folder, folder + L"\\appdata");
    // Far more than the device has left, in the results or in a criteria text.
    SearchJob job;
    job.criteria.folders = L"C:\\";
    for (int i = 0; i < 2000; ++i) {
        const std::wstring name = L"a long name that makes the file grow " + std::to_wstring(i);
        ItemData data = kItems[1];
        data.name = name.c_str();
        AddItem(job, data, i);
    }
    SearchCriteria criteria;
    criteria.name = std::wstring(200000, L'n');
    struct Case {
        const char* name;
        std::wstring path;
        std::function<void()> save;
    } cases[] = {
        {"a saved search", folder + L"\\s.velquin",
         [&] { EXPECT_FALSE(SaveSearchFile(job, folder + L"\\s.velquin", false)); }},
        {"the default search", config + L"\\defsearch.ini",
         [&] { SaveDefaultSearch(&criteria); }},
    };
    for (const Case& c : cases) {
        for (const bool earlier : {true, false}) {
            if (earlier) {
                const FileHandle file(CreateFileW(c.path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
                DWORD written = 0;
                ASSERT_TRUE(file && WriteFile(file.Get(), "earlier", 7, &written, nullptr))
                    << c.name;
            }
            c.save();
            EXPECT_EQ(TempDir::ReadFile(c.path), earlier ? "earlier" : "") << c.name;
            const std::wstring parent = c.path.substr(0, c.path.rfind(L'\\'));
            WIN32_FIND_DATAW data{};
            FindHandle find(FindFirstFileW((parent + L"\\*").c_str(), &data));
            int files = 0;
            for (bool more = static_cast<bool>(find); more;
                 more = FindNextFileW(find.Get(), &data) != 0)
                files += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
            EXPECT_EQ(files, earlier ? 1 : 0) << c.name << ": nothing left beside it";
            DeleteFileW(c.path.c_str());
        }
    }
    RemoveDirectoryW(config.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(SavedSearchFileTest, ReadsBackWhatItWrote) {
    SearchJob saved;
    saved.criteria.folders = L"C:\\nowhere-at-all";
    saved.criteria.name = L"*.doc";
    saved.criteria.size1 = 2.25;
    saved.criteria.attr = 0x17;
    for (const ItemData& d : kItems)
        AddItem(saved, d, 100);
    const std::wstring path = Save(saved, false);

    SearchJob loaded;
    ASSERT_TRUE(LoadSearchFile(loaded, path, false));
    EXPECT_EQ(Describe(loaded), Describe(saved)); // blanks at the start survive
    EXPECT_TRUE(loaded.criteria.Equals(saved.criteria, false));
    EXPECT_EQ(loaded.criteria.attr, 0x17u);

    SearchJob criteriaOnly;
    ASSERT_TRUE(LoadSearchFile(criteriaOnly, path, true));
    EXPECT_TRUE(criteriaOnly.criteria.Equals(saved.criteria, false));
    EXPECT_EQ(criteriaOnly.first, nullptr); // stopped at the first folder line

    {
        ScopedBoolSetting removeMissing(Settings().RemoveNonExists, true);
        // Names a plain path would change: each exists only by its exact
        // name, "plain" only plainly.
        const std::wstring kept[] = {L"kept.txt", L"trail.txt ", L"dot.", L"CON", L"plain"};
        for (const std::wstring& name : kept)
            FileHandle(CreateFileW((L"\\\\?\\" + m_dir / name).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, 0, nullptr));
        SearchJob job;
        job.criteria.folders = L"C:\\";
        for (const wchar_t* name : {L"kept.txt", L"gone.txt", L"trail.txt ", L"trail.txt", L"dot.",
                                    L"dot", L"CON", L"plain ", L"plain..", L"plain"})
            AddItem(job, {m_dir.Path().c_str(), name, 1, 32, -1, 0}, 5);
        SearchJob reloaded;
        ASSERT_TRUE(LoadSearchFile(reloaded, Save(job, false, L"exists.velquin"), false));
        std::vector<std::wstring> names;
        for (const FoundItem* item = reloaded.first; item; item = item->next)
            names.push_back(item->name.str());
        EXPECT_EQ(names, std::vector<std::wstring>(std::begin(kept), std::end(kept)));
    }
}

TEST_F(SavedSearchFileTest, ReadsEveryEncodingAndTheLenientForms) {
    const std::wstring text =
        L"\r\n  VELQUIN03\r\n\r\n\tSearchInfo=C:\\x\r\n  NAME_OPT   =  0x3 \t\r\n"
        L"unknown = 5\r\nword\r\n\tword_case = 0\r\nSUBFOLDER = FALSE\r\n"
        L"folder = C:\\x\r\n\t\tsize = 9\r\n\tname = f.txt\r\n\tATTR=0x20\r\n\t\tsize= 12";
    std::string utf16be;
    for (wchar_t ch : text) {
        utf16be += static_cast<char>(ch >> 8);
        utf16be += static_cast<char>(ch & 0xFF);
    }
    std::string utf8;
    for (wchar_t ch : text)
        utf8 += static_cast<char>(ch); // ASCII only
    const std::string forms[] = {
        Marked(text), Utf16(text), "\xFE\xFF" + utf16be, utf16be, "\xEF\xBB\xBF" + utf8, utf8,
    };
    for (const std::string& bytes : forms) {
        SearchJob job;
        ASSERT_TRUE(LoadSearchFile(job, m_dir.WriteFile(L"in.velquin", bytes), false))
            << testing::PrintToString(bytes.substr(0, 4));
        EXPECT_EQ(job.criteria.folders, L"C:\\x");
        EXPECT_EQ(job.criteria.name_opt, 3);
        EXPECT_EQ(job.criteria.word, L"");
        EXPECT_FALSE(job.criteria.word_case);
        EXPECT_FALSE(job.criteria.subfolder);
        EXPECT_EQ(Describe(job), std::vector<std::wstring>{L"C:\\x|f.txt|12|32|-1|0"});
    }
}

TEST_F(SavedSearchFileTest, RefusesFilesWithoutTheMagicLine) {
    const std::string contents[] = {
        "",
        "\xFF\xFE",
        Marked(L"Velquin02\r\nsearchinfo = C:\\\r\n"),
        Marked(L"searchinfo = C:\\\r\nVelquin03\r\n"),
        Marked(L"Velquin03 = x\r\n") + "\x01", // a value does not matter, but odd bytes go
    };
    for (size_t i = 0; i < 4; ++i) {
        SearchJob job;
        job.criteria.name = L"changed";
        EXPECT_FALSE(LoadSearchFile(job, m_dir.WriteFile(L"bad.velquin", contents[i]), false)) << i;
        EXPECT_EQ(job.criteria.name, L""); // reset although refused
    }
    SearchJob job;
    EXPECT_TRUE(LoadSearchFile(job, m_dir.WriteFile(L"ok.velquin", contents[4]), false));
    EXPECT_FALSE(LoadSearchFile(job, m_dir / L"missing.velquin", false));
    EXPECT_FALSE(LoadSearchFile(job, L"", false));
}

// The check before a load answers as the loader would, mostly from the
// start of the file alone.
TEST_F(SavedSearchFileTest, CheckTellsBeforehandWhatTheLoaderWouldRefuse) {
    std::string utf16be;
    for (wchar_t ch : std::wstring(L"\r\n  VELQUIN03\r\n")) {
        utf16be += static_cast<char>(ch >> 8);
        utf16be += static_cast<char>(ch & 0xFF);
    }
    // More blank lines than the start that is read first holds.
    const std::wstring blanks(600, L'\n');
    using enum SearchFileCheck;
    const struct {
        const char* name;
        std::string bytes;
        SearchFileCheck expected;
    } cases[] = {
        {"marked", Marked(L"Velquin03\r\nsearchinfo = C:\\\r\n"), Good},
        {"lenient, unmarked UTF-16", Utf16(L"\r\n  velquin03 \r\n\tSearchInfo=C:\\x\r\n"), Good},
        {"UTF-8 with its mark", "\xEF\xBB\xBFVelquin03\r\n", Good},
        {"UTF-16BE without a mark", utf16be, Good},
        {"magic after blank lines beyond the start", Marked(blanks + L"Velquin03\r\n"), Good},
        {"magic across the end of the start", Marked(std::wstring(250, L' ') + L"Velquin03"), Good},
        {"magic alone, no line end", Marked(L"Velquin03"), Good},
        {"magic with a value", Marked(L"Velquin03 = x\r\n"), Good},
        {"empty", "", Damaged},
        {"mark only", "\xFF\xFE", Damaged},
        {"one byte", "V", Damaged},
        {"older version", Marked(L"Velquin02\r\nsearchinfo = C:\\\r\n"), Damaged},
        {"criteria first", Marked(L"searchinfo = C:\\\r\nVelquin03\r\n"), Damaged},
        {"blank lines only", Marked(blanks), Damaged},
        {"digits and letters", Marked(L"Velquin4a\r\n"), Damaged},
        {"newer version", Marked(L"Velquin04\r\nsearchinfo = C:\\\r\n"), Newer},
        {"much newer, UTF-8", "VELQUIN12\r\n", Newer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = m_dir.WriteFile(L"check.velquin", c.bytes);
        EXPECT_EQ(CheckSearchFile(path), c.expected);
        SearchJob job;
        EXPECT_EQ(LoadSearchFile(job, path, true), c.expected == Good);
    }

    for (const std::wstring& path : {m_dir / L"missing.velquin", m_dir.Path(), std::wstring()})
        EXPECT_EQ(CheckSearchFile(path), Unreadable) << path;
    const std::wstring held = m_dir.WriteFile(L"held.velquin", Marked(L"Velquin03\r\n"));
    HeldFile holder(held, GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(holder.Held());
    EXPECT_EQ(CheckSearchFile(held), Unreadable);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST(NextKeyValue, SplitsLinesLeniently) {
    const std::wstring_view text = L"  \r\n\tkey = value \t\r\nbare\r\n  name =  two  \n=x\nlast=";
    struct Expect {
        const wchar_t* key;
        const wchar_t* value;
        const wchar_t* raw;
    } expected[] = {
        {L"key", L"value", L"value \t"},
        {L"bare", L"", L""},
        {L"name", L"two", L" two  "},
        {L"", L"x", L"x"},
        {L"last", L"", L""},
    };
    size_t cursor = 0;
    std::wstring_view key, value, raw;
    for (const Expect& e : expected) {
        ASSERT_TRUE(NextKeyValue(text, cursor, key, value, raw)) << e.key;
        EXPECT_EQ(key, e.key);
        EXPECT_EQ(value, e.value) << e.key;
        EXPECT_EQ(raw, e.raw) << e.key;
    }
    EXPECT_FALSE(NextKeyValue(text, cursor, key, value, raw));
}

TEST_F(SavedSearchFileTest, DamagedFilesLoadAsFarAsTheyAreReadable) {
    SearchJob saved;
    saved.criteria.folders = L"C:\\x";
    saved.criteria.name = L"*.txt";
    saved.criteria.size1 = 12.5;
    for (int i = 0; i < 6; ++i)
        for (const ItemData& d : kItems)
            AddItem(saved, d, 1000 + i);
    const std::string original = TempDir::ReadFile(Save(saved, false));
    const std::vector<std::wstring> all = Describe(saved);

    std::mt19937 random(20261210);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    const std::string hugeLine = Utf16(L"\tname = " + std::wstring(200000, L'n') + L"\r\n");
    const std::string bigNumbers[] = {
        Utf16(L"\t\tsize = 99999999999999999999999\r\n"), Utf16(L"\t\twslen = -99999999999\r\n"),
        Utf16(L"\tsize1 = 1e999999\r\n"), Utf16(L"\tname_opt = -0x7fffffffffffffffffff\r\n")};
    const std::string marks[] = {"", "\xFE\xFF", "\xEF\xBB\xBF", "\xFF\xFE\x00\x00", "\x00"};
    // Up to 3,000 rounds, but no longer than two seconds once every kind of
    // damage has been tried a hundred times: a slow machine tries fewer.
    const ULONGLONG start = GetTickCount64();
    for (int round = 0; round < 3000 && (round < 500 || GetTickCount64() - start < 2000); ++round) {
        std::string bytes = original;
        const int kind = round % 5;
        if (kind == 0) { // cut anywhere
            bytes.resize(pick(bytes.size()));
        } else if (kind == 1) { // bits flipped
            for (int i = 0, n = 1 + static_cast<int>(pick(8)); i < n; ++i)
                bytes[pick(bytes.size())] ^= static_cast<char>(1 << pick(8));
        } else if (kind == 2) { // another mark in place of the right one
            bytes.replace(0, 2, marks[pick(std::size(marks))]);
        } else if (kind == 3) { // a huge line inserted at a line start
            bytes.insert(LineStart(original, pick(original.size() / 2) * 2), hugeLine);
        } else { // numbers out of range
            bytes.insert(LineStart(original, pick(original.size() / 2) * 2),
                         bigNumbers[pick(std::size(bigNumbers))]);
        }
        SearchJob job;
        const bool loaded = LoadSearchFile(job, m_dir.WriteFile(L"damaged.velquin", bytes), false);
        const std::vector<std::wstring> items = Describe(job);
        if (kind == 0) {
            // A cut file keeps the whole items before the cut, in order.
            ASSERT_LE(items.size(), all.size()) << round;
            const size_t whole = items.empty() ? 0 : items.size() - 1;
            for (size_t i = 0; i < whole; ++i)
                ASSERT_EQ(items[i], all[i]) << round;
            if (bytes.size() >= original.size() / 2) {
                ASSERT_TRUE(loaded) << round;
            }
        }
        if (!loaded) {
            ASSERT_TRUE(items.empty()) << round;
        }
    }
}

TEST_F(SavedSearchFileTest, DefaultSearchIsWrittenOnlyWhenItDiffers) {
    WriteA(L"defsearch.ini", "old");
    WriteB(L"defsearch.ini", "old");
    SearchCriteria criteria;
    SaveDefaultSearch(&criteria); // the defaults: both copies go
    EXPECT_EQ(GetFileAttributesW(PathA(L"defsearch.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(PathB(L"defsearch.ini").c_str()), INVALID_FILE_ATTRIBUTES);

    criteria.folders = L"C:\\y";
    criteria.word = L"w";
    SaveDefaultSearch(&criteria);
    EXPECT_EQ(TempDir::ReadFile(PathA(L"defsearch.ini")),
              Marked(L"Velquin03\r\nsearchinfo = C:\\y\r\n\tword = w\r\n"));

    DeleteDefaultSearch(&criteria);
    EXPECT_TRUE(criteria.Equals(SearchCriteria(), false));
    EXPECT_EQ(GetFileAttributesW(PathA(L"defsearch.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    SaveDefaultSearch(nullptr); // nothing to delete: nothing happens
}

// The items are written while the list's readers may take the results lock:
// a target that takes its bytes only as fast as it is read (a pipe with a
// small buffer) keeps the save in its writes while the reader, before it reads
// a byte, asks whether the lock is free.
TEST_F(SavedSearchFileTest, ItemsAreWrittenWithTheResultsLockFree) {
    SearchJob saved;
    saved.criteria.folders = L"C:\\x";
    for (int i = 0; i < 20000; ++i)
        AddItem(saved, {L"C:\\folder of many", L"an item with a longish name.txt", 1234, 0x20, -1, 0},
                1000 + i);
    const std::wstring pipe = L"\\\\.\\pipe\\velquin-save-" + std::to_wstring(GetCurrentProcessId());
    // The writer looks at what the target is before it opens it for writing:
    // an instance for each of those opens, and the reader reads them in turn.
    KernelHandle instances[3];
    for (KernelHandle& instance : instances) {
        instance.Assign(CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_INBOUND,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 3, 0, 4096, 0, nullptr));
        ASSERT_TRUE(instance) << GetLastError();
    }
    bool freeWhileWriting = false;
    std::string received;
    std::thread reader([&] {
        for (KernelHandle& instance : instances) {
            ConnectNamedPipe(instance.Get(), nullptr);
            Sleep(300); // a writer fills the pipe and waits in its write
            DWORD waiting = 0;
            if (PeekNamedPipe(instance.Get(), nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0)
                freeWhileWriting = IsFreeForOthers(saved.lock);
            std::string bytes;
            char buffer[65536];
            DWORD read = 0;
            while (ReadFile(instance.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
                bytes.append(buffer, read);
            if (bytes.size() > received.size())
                received = bytes;
        }
    });
    const bool ok = SaveSearchFile(saved, pipe, false);
    // Instances the writer did not open would keep the reader waiting.
    for (int i = 0; i < 3; ++i)
        FileHandle(CreateFileW(pipe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    reader.join();
    ASSERT_TRUE(ok);
    EXPECT_TRUE(freeWhileWriting) << "the results lock was held while the items were written";
    EXPECT_GT(received.size(), 20000u * 60);
}
