#include "search/EntryTests.h"

#include "foundation/DisplayText.h"
#include "foundation/FileTimes.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/WorkerThread.h"
#include "foundation/mvstring.h"
#include "search/FoundItem.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

namespace {

constexpr uint64_t kSecond = 10000000ull;
constexpr uint64_t kMinute = 60 * kSecond;
constexpr uint64_t kDay = 24 * 60 * kMinute;

// The blank-separated parts of a text, each trimmed of blanks, tabs, CR and
// LF, empty ones dropped.
std::vector<mvstring> Parts(const mvstring& text) {
    std::vector<mvstring> parts;
    SplitList(text, L" ", parts, true);
    return parts;
}

wchar_t FoldAsciiUpper(wchar_t ch) {
    return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + (L'a' - L'A')) : ch;
}

bool SameChar(wchar_t a, wchar_t b, bool caseSensitive) {
    return caseSensitive ? a == b : FoldAsciiUpper(a) == FoldAsciiUpper(b);
}

bool MatchWildcards(std::wstring_view name, std::wstring_view pattern, bool caseSensitive) {
    size_t n = 0;
    size_t p = 0;
    size_t starPattern = std::wstring_view::npos; // pattern position after the last "*"
    size_t starName = 0;                          // name position that star took up to
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            if (p + 1 == pattern.size())
                return true; // a final star takes the rest
            starPattern = ++p;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == L'?' || SameChar(pattern[p], name[n], caseSensitive))) {
            ++p;
            ++n;
        } else if (starPattern != std::wstring_view::npos) {
            p = starPattern;
            n = ++starName; // the star takes one more character
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

// The operators of the size and date tests; an unknown one never holds.
template <typename T> bool Compare(T value, int op, T bound) {
    switch (op) {
    case 1:
        return value == bound;
    case 2:
        return value < bound;
    case 3:
        return value <= bound;
    case 4:
        return value > bound;
    case 5:
        return value >= bound;
    default:
        return false;
    }
}

// The size as the list shows it in the chosen unit.
double DisplayedSize(uint64_t bytes, int unit) {
    double v = static_cast<double>(bytes);
    if (unit < 1 || unit > 3 || bytes == 0)
        return v;
    for (int i = 0; i < unit; ++i)
        v /= 1024.0;
    if (v < 1)
        return v;
    if (v < 10)
        return std::floor(v * 100) / 100;
    if (v < 100)
        return std::floor(v * 10) / 10;
    return std::ceil(v);
}

bool StopWanted(WorkerThread* worker) {
    return IsShuttingDown() || (worker && worker->StopRequested());
}

} // namespace

void BuildNamePatterns(const SearchCriteria& criteria, NamePatternSet& patterns) {
    patterns.clear();
    if (criteria.name.empty())
        return;
    switch (criteria.name_opt) {
    case NameAnyPattern:
    case NameAllPatterns:
    case NameNoPattern:
        for (const mvstring& part : Parts(criteria.name))
            patterns.emplace(part, HasWildcards(part));
        break;
    case NameWholeText:
    case NameRegexp:
        patterns.emplace(criteria.name, HasWildcards(criteria.name));
        break;
    default:
        break;
    }
}

void BuildWordMatcher(const SearchCriteria& criteria, VQ_WordsSearch& matcher,
                      WorkerThread* worker) {
    std::set<mvstring> words;
    if (!criteria.word.empty()) {
        if (criteria.word_opt == WordAny || criteria.word_opt == WordAll ||
            criteria.word_opt == WordNone) {
            for (const mvstring& part : Parts(criteria.word))
                words.insert(part);
        } else {
            words.insert(criteria.word);
        }
    }
    if (!criteria.word_case && criteria.word_opt >= 0 && criteria.word_opt <= 3) {
        std::set<mvstring> upper;
        for (mvstring word : words) {
            for (wchar_t& ch : word)
                if (ch >= L'a' && ch <= L'z')
                    ch = static_cast<wchar_t>(ch - (L'a' - L'A'));
            upper.insert(std::move(word));
        }
        words.swap(upper);
    }
    const int type = criteria.word_opt == WordRegexp ? VQ_WordsSearch::RegularExpression
                     : criteria.word_opt == WordAll  ? VQ_WordsSearch::AllWords
                                                     : VQ_WordsSearch::AnyWord;
    matcher.SetSearch(words, !criteria.word_case, type, criteria.word_hex);
    matcher.SetWorker(worker);
}

bool MatchNamePattern(std::wstring_view name, std::wstring_view pattern, int wildcardMode,
                      bool caseSensitive) {
    if (name.empty())
        return false;
    if (pattern.empty())
        return true;
    const bool wildcards = wildcardMode == 1 || (wildcardMode != 0 && HasWildcards(pattern));
    if (wildcards)
        return MatchWildcards(name, pattern, caseSensitive);
    if (caseSensitive)
        return name.find(pattern) != std::wstring_view::npos;
    return FindTextNoCase(name, pattern) >= 0;
}

uint64_t RoundFileTime(uint64_t time, int part, bool seconds) {
    time -= time % kSecond;
    switch (part) {
    case 0:
        return time - time % kDay;
    case 1:
        time %= kDay;
        return seconds ? time : time - time % kMinute;
    case 2:
        return seconds ? time : time - time % kMinute;
    default:
        return time;
    }
}

bool MatchSize(const SearchCriteria& c, const FoundItem& item) {
    if (c.size_logic1 == 0 && c.size_logic2 == 0)
        return true;
    if (item.IsFolder())
        return false;
    const double v = DisplayedSize(item.size, c.size_mode);
    return (c.size_logic1 == 0 || Compare(v, c.size_logic1, c.size1)) &&
           (c.size_logic2 == 0 || Compare(v, c.size_logic2, c.size2));
}

bool MatchDate(const SearchCriteria& c, const FoundItem& item, uint64_t low, uint64_t high) {
    if (c.date_logic1 == 0 && c.date_logic2 == 0)
        return true;
    const uint64_t utc = c.date_mode == 1   ? item.date_c
                         : c.date_mode == 2 ? item.date_a
                                            : item.date_m;
    const uint64_t t = RoundFileTime(UtcToLocalFileTime(utc), c.date_part, c.date_usesec);
    return (c.date_logic1 == 0 || Compare(t, c.date_logic1, low)) &&
           (c.date_logic2 == 0 || Compare(t, c.date_logic2, high));
}

ContentResult MatchContent(const SearchCriteria& c, FoundItem& item, VQ_WordsSearch& matcher,
                           WorkerThread* worker) {
    if (c.word.empty())
        return ContentResult::Pass;
    if (item.IsFolder())
        return ContentResult::Fail;
    // The exact name the walk found, whatever the path's length: a name
    // with a trailing blank or dot, or a device name, would otherwise be
    // read as another file or as a device.
    const mvstring path = ExactPathForm(PathJoin(item.folder, item.name));
    int32_t length = 0;
    int64_t hit = -1;
    if (matcher.HasSearch()) {
        int64_t offset = -1;
        if (matcher.SearchDocx(path, item.ext.empty() ? nullptr : item.ext.c_str(), offset)) {
            hit = offset >= 0 ? 0 : -1;
        } else {
            VQFileReader& reader = matcher.Reader();
            const int32_t flags = reader.Open(path);
            if (flags < 0 || reader.Size() == 0) {
                hit = -1;
            } else if (c.word_opt == WordRegexp) {
                const uint64_t limit = Settings().MaxRegexpTextBytes;
                int32_t n = static_cast<int32_t>(
                    std::min<uint64_t>({limit, static_cast<uint64_t>(reader.Size()), INT32_MAX}));
                const uint8_t* bytes = nullptr;
                if (flags != 0 && reader.EnsureBuffer(static_cast<uint32_t>(n)))
                    bytes = reader.Read(0, n, false);
                hit = bytes ? matcher.Regexps().Find(length, bytes, n, flags) : -1;
            } else {
                matcher.ResetFound();
                hit = matcher.FindInFile(length, 0, -1);
            }
            reader.CloseFile(); // the buffer serves the next file
        }
    }
    // A search cut short has not looked at the whole file: that is no answer,
    // least of all "does not contain".
    if (hit < 0 && StopWanted(worker))
        return ContentResult::Stopped;
    item.wsoffset = (hit == 0 && length == 0) ? -1 : hit;
    item.wslen = hit >= 0 ? length : 0;
    const bool found = hit >= 0;
    return (c.word_opt == WordNone ? !found : found) ? ContentResult::Pass : ContentResult::Fail;
}

void EntryTester::Prepare(const SearchCriteria& criteria, WorkerThread* worker) {
    m_criteria = criteria;
    m_worker = worker;
    BuildNamePatterns(m_criteria, m_patterns);
    BuildWordMatcher(m_criteria, m_matcher, worker);
    m_nameRegexp.reset();
    if (m_criteria.name_opt == NameRegexp && !m_criteria.name.empty()) {
        m_nameRegexp = std::make_unique<VQ_Regexp<wchar_t>>();
        m_nameRegexp->Compile(m_criteria.name.c_str(), static_cast<int>(m_criteria.name.size()),
                              m_criteria.name_case ? 0 : 8);
    }
    m_low = RoundFileTime(m_criteria.date1, m_criteria.date_part, m_criteria.date_usesec);
    m_high = RoundFileTime(m_criteria.date2, m_criteria.date_part, m_criteria.date_usesec);
}

bool EntryTester::MatchName(const mvstring& name) {
    if (m_patterns.empty())
        return true;
    const int mode = m_criteria.name_opt;
    if (mode == NameRegexp) {
        int length = 0;
        return m_nameRegexp &&
               m_nameRegexp->Match(name.c_str(), static_cast<int>(name.size()), length) >= 0;
    }
    const bool caseSensitive = m_criteria.name_case;
    for (const auto& [pattern, wildcards] : m_patterns) {
        const bool match = MatchNamePattern(name, pattern, wildcards ? 1 : 0, caseSensitive);
        if (mode == NameAnyPattern && match)
            return true;
        if (mode == NameAllPatterns && !match)
            return false;
        if (mode == NameWholeText)
            return match;
        if (mode == NameNoPattern && match)
            return false;
    }
    return mode != NameAnyPattern;
}

ContentResult EntryTester::Test(FoundItem& item) {
    const uint32_t mask = m_criteria.attr;
    if (!MatchName(item.name))
        return ContentResult::Fail;
    if (item.IsFolder() && !(mask & kAttrWantFolders))
        return ContentResult::Fail;
    const uint32_t special = item.attr & 0x07;
    if (special ? !(mask & 0xFF & special) : !(mask & kAttrWantPlain))
        return ContentResult::Fail;
    if (!MatchSize(m_criteria, item) || !MatchDate(m_criteria, item, m_low, m_high))
        return ContentResult::Fail;
    return MatchContent(m_criteria, item, m_matcher, m_worker);
}
