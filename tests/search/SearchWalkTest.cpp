#include "foundation/Handles.h"
#include "foundation/Settings.h"
#include "search/FoundItem.h"
#include "search/SearchJob.h"
#include "ZipFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

// A small tree: three levels, a hidden file, a document with a word in
// UTF-16LE and one in UTF-8.
class SearchWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.WriteFile(L"root\\a.txt", "alpha");
        m_dir.WriteFile(L"root\\b.doc", std::string(2048, 'b'));
        m_dir.WriteFile(L"root\\sub1\\c.txt", std::string("\xFF\xFEn\0e\0e\0d\0l\0e\0", 14));
        m_dir.WriteFile(L"root\\sub1\\deep\\d.TXT", "one needle");
        m_dir.WriteFile(L"root\\sub2\\e.log", "none");
        const std::wstring hidden = m_dir.WriteFile(L"root\\h.txt", "x");
        SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    }

    // Runs the walk on the test thread; the found names in the order of
    // finding, each with its folder below the root.
    std::vector<std::wstring> Walk(SearchCriteria criteria, bool* completed = nullptr) {
        if (criteria.folders.empty())
            criteria.folders = Root();
        m_job = std::make_unique<SearchJob>();
        m_job->criteria = criteria;
        const bool done = m_job->Walk();
        if (completed)
            *completed = done;
        std::vector<std::wstring> found;
        for (const FoundItem* item = m_job->first; item; item = item->next) {
            std::wstring folder =
                item->folder.str().substr(std::min(item->folder.size(), Root().size()));
            found.push_back(folder.empty() ? item->name.str()
                                           : folder.substr(1) + L"\\" + item->name.str());
        }
        return found;
    }
    static std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
        std::sort(v.begin(), v.end());
        return v;
    }
    std::wstring Root() const { return m_dir / L"root"; }

    TempDir m_dir;
    std::unique_ptr<SearchJob> m_job;
};

} // namespace

TEST_F(SearchWalkTest, BreadthFirstWithEveryLevelBeforeTheNext) {
    const std::vector<std::wstring> found = Walk(SearchCriteria());
    EXPECT_EQ(Sorted(found), (std::vector<std::wstring>{
                                 L"a.txt", L"b.doc", L"h.txt", L"sub1", L"sub1\\c.txt",
                                 L"sub1\\deep", L"sub1\\deep\\d.TXT", L"sub2", L"sub2\\e.log"}));
    // Depth never falls along the order of finding.
    size_t depth = 0;
    for (const std::wstring& path : found) {
        const size_t d = std::count(path.begin(), path.end(), L'\\');
        EXPECT_GE(d, depth) << path;
        depth = d;
    }
}

TEST_F(SearchWalkTest, CriteriaDecideWhatIsFound) {
    struct Case {
        const char* what;
        void (*set)(SearchCriteria&);
        std::vector<std::wstring> found;
    } cases[] = {
        {"subfolders off: folders found, not entered",
         [](SearchCriteria& c) { c.subfolder = false; },
         {L"a.txt", L"b.doc", L"h.txt", L"sub1", L"sub2"}},
        {"wildcard without case",
         [](SearchCriteria& c) { c.name = L"*.txt"; },
         {L"a.txt", L"h.txt", L"sub1\\c.txt", L"sub1\\deep\\d.TXT"}},
        {"wildcard with case",
         [](SearchCriteria& c) {
             c.name = L"*.txt";
             c.name_case = true;
         },
         {L"a.txt", L"h.txt", L"sub1\\c.txt"}},
        {"hidden files only", [](SearchCriteria& c) { c.attr = 0x02; }, {L"h.txt"}},
        {"plain files, no folders",
         [](SearchCriteria& c) { c.attr = 0x80; },
         {L"a.txt", L"b.doc", L"sub1\\c.txt", L"sub1\\deep\\d.TXT", L"sub2\\e.log"}},
        {"at least 2 KB",
         [](SearchCriteria& c) {
             c.size_mode = 1;
             c.size_logic1 = OpGreaterEqual;
             c.size1 = 2;
         },
         {L"b.doc"}},
        {"a word in any encoding",
         [](SearchCriteria& c) { c.word = L"needle"; },
         {L"sub1\\c.txt", L"sub1\\deep\\d.TXT"}},
        {"none of the words: folders never pass a content test",
         [](SearchCriteria& c) {
             c.word = L"needle alpha";
             c.word_opt = WordNone;
         },
         {L"b.doc", L"h.txt", L"sub2\\e.log"}},
    };
    for (const Case& c : cases) {
        SearchCriteria criteria;
        c.set(criteria);
        EXPECT_EQ(Sorted(Walk(criteria)), Sorted(c.found)) << c.what;
    }
}

TEST_F(SearchWalkTest, ContentHitsAndExtensionsAreStored) {
    SearchCriteria criteria;
    criteria.word = L"needle";
    ASSERT_EQ(Sorted(Walk(criteria)),
              (std::vector<std::wstring>{L"sub1\\c.txt", L"sub1\\deep\\d.TXT"}));
    for (const FoundItem* item = m_job->first; item; item = item->next) {
        const bool utf16 = item->name == L"c.txt";
        EXPECT_EQ(item->wsoffset, utf16 ? 2 : 4) << item->name.str();
        EXPECT_EQ(item->wslen, utf16 ? 12 : 6) << item->name.str();
        EXPECT_EQ(item->ext, utf16 ? L".txt" : L".TXT");
    }
}

TEST_F(SearchWalkTest, LocationsThatDoNotExist) {
    SearchCriteria criteria;
    criteria.folders = m_dir / L"missing";
    bool completed = true;
    EXPECT_TRUE(Walk(criteria, &completed).empty());
    EXPECT_FALSE(completed);
}

TEST_F(SearchWalkTest, FoldersDeeperThanMaxPathAreWalkedAndRead) {
    std::wstring folder = Root();
    std::wstring relative;
    while (folder.size() < MAX_PATH + 40) {
        const std::wstring part(40, L'p');
        folder += L"\\" + part;
        relative += (relative.empty() ? L"" : L"\\") + part;
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    }
    const std::wstring file = L"\\\\?\\" + folder + L"\\long.txt";
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle, "a deep needle", 13, &written, nullptr);
    CloseHandle(handle);

    SearchCriteria criteria;
    criteria.word = L"needle";
    const std::vector<std::wstring> found = Walk(criteria);
    EXPECT_NE(std::find(found.begin(), found.end(), relative + L"\\long.txt"), found.end());
    // Results show the plain path, without the long-path prefix.
    for (const FoundItem* item = m_job->first; item; item = item->next)
        EXPECT_FALSE(item->folder.str().starts_with(L"\\\\?\\")) << item->folder.str();
}

// Names the system would read as another file (a trailing blank or dot
// trimmed) or as a device, in folders of such names too: the walk lists them
// and the content search must read the very files it listed.
TEST_F(SearchWalkTest, NamesThePlainFormWouldChangeAreReadExactly) {
    // A document's words are packed: only its own reader finds them.
    const std::string document =
        BuildZip({{"word/document.xml", "<w:p><w:r><w:t>a needle</w:t></w:r></w:p>", true}}).bytes;
    ASSERT_EQ(document.find("needle"), std::string::npos);
    const struct Fixture {
        std::wstring name;
        std::string bytes;
    } fixtures[] = {
        {L"trail.txt ", "a needle"},
        {L"dot.", "a needle"},
        {L"CON", "a needle"},
        {L"nul.txt", "a needle"},
        {L"Aux.log", "a needle"},
        {L"com1", "a needle"},
        {L"two dots..", "a needle"},
        {L"dir.\\in.txt", "a needle"},
        {L"dir \\in.txt", "a needle"},
        {L"prn\\in.txt", "a needle"},
        {L"dir.\\lpt1.txt ", "a needle"},
        {L"con.docx", document},
        {L"%VQ_WALK_NAME%", "a needle"},
    };
    // Expanded, the last name would lead to a file that does not exist.
    SetEnvironmentVariableW(L"VQ_WALK_NAME", L"missing");
    std::vector<std::wstring> expected;
    for (const Fixture& f : fixtures) {
        const std::wstring& name = f.name;
        std::wstring path = L"\\\\?\\" + Root() + L"\\" + name;
        const size_t slash = name.find(L'\\');
        if (slash != std::wstring::npos)
            CreateDirectoryW(path.substr(0, path.size() - (name.size() - slash)).c_str(), nullptr);
        FileHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file) << "cannot make the fixture " << testing::PrintToString(name);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), f.bytes.data(), static_cast<DWORD>(f.bytes.size()),
                              &written, nullptr));
        expected.push_back(name);
    }
    // The exact name comes back from a listing of the folder.
    WIN32_FIND_DATAW data{};
    FindHandle probe(FindFirstFileW((L"\\\\?\\" + Root() + L"\\trail.txt ").c_str(), &data));
    ASSERT_TRUE(probe);
    ASSERT_STREQ(data.cFileName, L"trail.txt ");

    expected.insert(expected.end(), {L"sub1\\c.txt", L"sub1\\deep\\d.TXT"});
    SearchCriteria criteria;
    criteria.word = L"needle";
    EXPECT_EQ(Sorted(Walk(criteria)), Sorted(expected));
    SetEnvironmentVariableW(L"VQ_WALK_NAME", nullptr);
}
