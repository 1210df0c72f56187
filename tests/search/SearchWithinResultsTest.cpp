#include "foundation/WorkerThread.h"
#include "search/FoundItem.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A job holding five found items; the display order is the reverse of the
// order of finding, as after a sort.
class SearchWithinResultsTest : public ::testing::Test {
protected:
  void SetUp() override { Fill(); }

  void Fill() {
    m_job.ClearFoundItems();
    m_job.results.clear();
    const struct {
      const char *name;
      const char *text;
    } files[] = {{"a.txt", "apple"},
                 {"b.log", "banana"},
                 {"c.txt", "cherry apple"},
                 {"d.txt", "date"},
                 {"e.doc", "elder"}};
    for (const auto &f : files) {
      const std::wstring name(f.name, f.name + strlen(f.name));
      m_dir.WriteFile(name, f.text);
      FoundItem item;
      item.folder = m_dir.Path();
      item.name = name;
      item.ext = name.substr(name.find(L'.'));
      item.attr = FILE_ATTRIBUTE_ARCHIVE;
      item.size = strlen(f.text);
      ASSERT_NE(AddFoundItem(m_job, item, nullptr), nullptr);
    }
    std::reverse(m_job.results.begin(), m_job.results.end());
  }

  std::vector<std::wstring> Results() {
    std::vector<std::wstring> names;
    for (size_t i = 0; i < m_job.results.size(); ++i) {
      names.push_back(m_job.results[i]->name.str());
      EXPECT_EQ(m_job.results[i]->display_index, static_cast<int>(i));
    }
    return names;
  }

  TempDir m_dir;
  SearchJob m_job;
};

} // namespace

TEST_F(SearchWithinResultsTest, KeepsThePassingItemsInTheOrderOfFinding) {
  struct Case {
    const char *what;
    void (*set)(SearchCriteria &);
    std::vector<std::wstring> kept;
  } cases[] = {
      {"everything",
       [](SearchCriteria &) {},
       {L"a.txt", L"b.log", L"c.txt", L"d.txt", L"e.doc"}},
      {"a name",
       [](SearchCriteria &c) { c.name = L"*.txt"; },
       {L"a.txt", L"c.txt", L"d.txt"}},
      {"a word, read again",
       [](SearchCriteria &c) { c.word = L"apple"; },
       {L"a.txt", L"c.txt"}},
      {"a size",
       [](SearchCriteria &c) {
         c.size_logic1 = OpGreater;
         c.size1 = 5;
       },
       {L"b.log", L"c.txt"}},
  };
  for (const Case &c : cases) {
    Fill();
    SearchCriteria criteria;
    c.set(criteria);
    m_job.criteria = criteria;
    EXPECT_TRUE(m_job.SearchWithinResults()) << c.what;
    EXPECT_EQ(Results(), c.kept) << c.what;
  }
}

TEST_F(SearchWithinResultsTest,
       ContentHitsAreRewrittenAndDeletedFilesPassWithoutAContentTest) {
  DeleteFileW((m_dir / L"b.log").c_str());
  m_job.criteria.name = L"b.log c.txt";
  m_job.criteria.name_opt = NameAnyPattern;
  ASSERT_TRUE(m_job.SearchWithinResults());
  EXPECT_EQ(Results(), (std::vector<std::wstring>{L"b.log", L"c.txt"}));

  m_job.criteria = SearchCriteria();
  m_job.criteria.word = L"apple";
  ASSERT_TRUE(m_job.SearchWithinResults());
  ASSERT_EQ(Results(), std::vector<std::wstring>{L"c.txt"});
  EXPECT_EQ(m_job.results[0]->wsoffset, 7);
  EXPECT_EQ(m_job.results[0]->wslen, 5);
}

TEST_F(SearchWithinResultsTest, AStopKeepsWhatWasAcceptedAndTheItemsStayOwned) {
  // The worker stops itself after the first item has been tested, as a
  // user's stop would arrive in the middle.
  struct Run {
    SearchJob *job;
    bool completed = true;
  } run{&m_job};
  m_job.criteria.name = L"*.txt";
  auto routine = [](void *parameter) -> DWORD {
    auto &r = *static_cast<Run *>(parameter);
    r.job->worker.Stop(0);
    r.completed = r.job->SearchWithinResults();
    return 0;
  };
  ASSERT_TRUE(m_job.worker.Start(routine, &run));
  WaitForSingleObject(m_job.worker.Handle(), INFINITE);
  EXPECT_FALSE(run.completed);
  EXPECT_TRUE(Results().empty()); // stopped before the first item
  int owned = 0;
  for (const FoundItem *item = m_job.first; item; item = item->next)
    ++owned;
  EXPECT_EQ(owned, 5); // an undo can bring every one of them back
}
