#include "search/CommandLineRun.h"

#include "foundation/ConfigFolders.h"
#include "search/SavedSearchFile.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Marked(std::wstring_view text) {
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

int ItemCount(SearchJob& job) {
    int n = 0;
    for (const FoundItem* item = job.first; item; item = item->next)
        ++n;
    return n;
}

// Runs against the global job with the configuration folders in a temporary
// folder, where a default search names the word "defword".
class CommandLineRunTest : public ConfigFolders {
protected:
    void SetUp() override {
        ConfigFolders::SetUp();
        WriteA(L"defsearch.ini", Marked(L"Velquin03\r\nsearchinfo = \r\n\tword = defword\r\n"));
        m_dir.WriteFile(L"tree\\one.txt", "1");
        m_dir.WriteFile(L"tree\\two.txt", "2");
        m_saved = m_dir.WriteFile(L"saved.velquin",
                                  Marked(L"Velquin03\r\nsearchinfo = " + Tree() +
                                         L"\r\n\tname = *.txt\r\n\r\n" + L"folder = " + Tree() +
                                         L"\r\n\tname = one.txt\r\n\tname = two.txt\r\n"));
    }
    void TearDown() override {
        GlobalSearchJob().StopAndWait(INFINITE);
        GlobalSearchJob().ClearResults();
        ConfigFolders::TearDown();
    }
    uint8_t Run(const std::wstring& arguments) { return ProcessCommandLine(arguments, m_options); }
    std::wstring Tree() const { return m_dir / L"tree"; }
    static std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

    StartupOptions m_options;
    std::wstring m_saved;
};

} // namespace

TEST_F(CommandLineRunTest, HexViewerOnly) {
    struct Case {
        const wchar_t* arguments;
        const wchar_t* path;
        uint64_t offset;
        int64_t length;
    } cases[] = {
        {L"/hexview C:\\f.bin 16 16", L"C:\\f.bin", 16, 16}, // one occurrence keeps both 16s
        {L"/hexview C:\\f.bin", L"C:\\f.bin", 0, 0},
        {L"/HEXVIEW C:\\f.bin 0x10 5 /out x", L"C:\\f.bin", 16, 5},
        {L"/hexview C:\\f.bin 18446744073709551616 2", L"C:\\f.bin", 0, 2}, // too large: unread
        {L"/hexview C:\\f.bin -1", L"C:\\f.bin", 0, 0},
        {L"/hexview", L"", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.arguments), StartupHexView) << c.arguments;
        EXPECT_EQ(m_options.path, c.path) << c.arguments;
        EXPECT_EQ(m_options.offset, c.offset) << c.arguments;
        EXPECT_EQ(m_options.length, c.length) << c.arguments;
    }
}

TEST_F(CommandLineRunTest, ASavedSearchAloneLoadsWithItsResults) {
    EXPECT_EQ(Run(Quoted(m_saved)), StartupLoaded);
    SearchJob& job = GlobalSearchJob();
    EXPECT_EQ(ItemCount(job), 2);
    EXPECT_EQ(job.criteria.name, L"*.txt");
    EXPECT_EQ(job.criteria.word, L""); // no default search after a load
    EXPECT_TRUE(m_options.path.empty());
}

TEST_F(CommandLineRunTest, RunNowLoadsOnlyTheCriteria) {
    EXPECT_EQ(Run(L"/in " + Quoted(m_saved) + L" /runnow"), StartupLoaded | StartupRunNow);
    EXPECT_EQ(ItemCount(GlobalSearchJob()), 0);
    EXPECT_EQ(GlobalSearchJob().criteria.name, L"*.txt");
    EXPECT_EQ(Run(L"/delaydonow"), StartupRunNow);
}

TEST_F(CommandLineRunTest, AFolderIsKeptAndTheDefaultSearchLoaded) {
    EXPECT_EQ(Run(Quoted(Tree())), 0);
    EXPECT_EQ(m_options.path, Tree());
    EXPECT_EQ(GlobalSearchJob().criteria.word, L"defword");
    EXPECT_EQ(ItemCount(GlobalSearchJob()), 0);
}

TEST_F(CommandLineRunTest, OutSearchesAndWritesTheResultFile) {
    struct Case {
        const char* what;
        std::wstring arguments;
        OutRunResult result;
        int items; // in the result file; -1: no file
    } cases[] = {
        {"a folder with the default criteria",
         Quoted(Tree()) + L" /out " + Quoted(m_dir / L"r.velquin"), OutRunWritten, 2},
        {"criteria from a file, results found again",
         L"/in " + Quoted(m_saved) + L" /out " + Quoted(m_dir / L"r.velquin"), OutRunWritten, 2},
        {"neither folder nor criteria folders", L"/out " + Quoted(m_dir / L"r.velquin"),
         OutRunNoSearch, -1},
        {"a missing criteria file",
         L"/in " + Quoted(m_dir / L"none.velquin") + L" /out " + Quoted(m_dir / L"r.velquin"),
         OutRunBadCriteria, -1},
        {"a result file that cannot be written", Quoted(Tree()) + L" /out " + Quoted(Tree()),
         OutRunWriteFailed, -1},
    };
    for (const Case& c : cases) {
        DeleteFileW((m_dir / L"r.velquin").c_str());
        GlobalSearchJob().criteria.Reset(); // as in a fresh process
        EXPECT_TRUE(Run(c.arguments) & StartupOut) << c.what;
        EXPECT_EQ(m_options.out_result, c.result) << c.what;
        EXPECT_EQ(m_options.messages.empty(), c.result == OutRunWritten) << c.what;
        // The default search only fills a window's criteria: a windowless run
        // never reads it.
        EXPECT_EQ(GlobalSearchJob().criteria.word, L"") << c.what;
        SearchJob written;
        const bool exists = LoadSearchFile(written, m_dir / L"r.velquin", false);
        EXPECT_EQ(exists, c.items >= 0) << c.what;
        if (exists) {
            EXPECT_EQ(ItemCount(written), c.items) << c.what;
        } // one.txt and two.txt
        GlobalSearchJob().ClearResults();
    }
}
