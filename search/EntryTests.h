// The tests a directory entry or a result item passes to be a match, in
// their fixed order (name, folder rule, attributes, size, date, content), and
// the state one run prepares for them once. The folder walk and the search
// within results share them.
#pragma once

#include "foundation/mvstring.h"
#include "regexp/VQ_Regexp.h"
#include "search/SearchCriteria.h"
#include "search/VQ_WordsSearch.h"

#include <cstdint>
#include <map>
#include <memory>

struct FoundItem;
class WorkerThread;

// Name patterns in code-unit order, each with whether it holds "*" or "?".
using NamePatternSet = std::map<mvstring, bool>;

// The name text as patterns: modes 0, 1 and 3 take the blank-separated
// parts (trimmed of blanks, tabs, CR and LF); modes 2 and 4 the whole text.
void BuildNamePatterns(const SearchCriteria& criteria, NamePatternSet& patterns);
// Sets up the content matcher for the content text (emptied when there is
// none) and makes it honour the worker's pause and stop.
void BuildWordMatcher(const SearchCriteria& criteria, VQ_WordsSearch& matcher,
                      WorkerThread* worker);

// Whether the name matches the pattern. Wildcard mode 0 looks for the
// pattern as a substring, 1 matches wildcards over the whole name, and any
// other value decides by whether the pattern holds "*" or "?". Without case,
// wildcards fold only A-Z; substrings use the system's case-blind search. An
// empty name never matches; an empty pattern always does.
bool MatchNamePattern(std::wstring_view name, std::wstring_view pattern, int wildcardMode,
                      bool caseSensitive);

// A FILETIME count cut to whole seconds, then by part: 0 the start of its
// day, 1 the time of day, 2 the date and time; parts 1 and 2 are cut to the
// minute unless `seconds`.
uint64_t RoundFileTime(uint64_t time, int part, bool seconds);

// The size test: true when no operator is set; false for a folder.
bool MatchSize(const SearchCriteria& criteria, const FoundItem& item);
// The date test against bounds already reduced with RoundFileTime.
bool MatchDate(const SearchCriteria& criteria, const FoundItem& item, uint64_t low, uint64_t high);

// How the content test ended.
enum class ContentResult { Pass, Fail, Stopped };

// The content test; sets the item's hit offset and length. A read cut short
// by a stop or by shutdown gives Stopped, which is neither a hit nor a miss.
ContentResult MatchContent(const SearchCriteria& criteria, FoundItem& item, VQ_WordsSearch& matcher,
                           WorkerThread* worker);

// What one run prepares once and then tests every entry with.
class EntryTester {
public:
    EntryTester() = default;
    EntryTester(const EntryTester&) = delete;
    EntryTester& operator=(const EntryTester&) = delete;

    // Builds the patterns, the name expression (mode 4), the content matcher
    // and the reduced date bounds from the criteria (copied).
    void Prepare(const SearchCriteria& criteria, WorkerThread* worker);

    // Every test in order; the first failing one ends it. The content test
    // rewrites the item's hit offset and length.
    ContentResult Test(FoundItem& item);

private:
    bool MatchName(const mvstring& name);

    SearchCriteria m_criteria;
    WorkerThread* m_worker = nullptr;
    NamePatternSet m_patterns;
    std::unique_ptr<VQ_Regexp<wchar_t>> m_nameRegexp; // name mode 4 only
    VQ_WordsSearch m_matcher;
    uint64_t m_low = 0;
    uint64_t m_high = 0;
};
