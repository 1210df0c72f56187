#include "search/VQ_WordsSearch.h"

#include "foundation/Numbers.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/WorkerThread.h"

#include <algorithm>
#include <string>

namespace {

// Keeps the earliest offset; on a tie the one seen first stays.
void TakeEarlier(int64_t at, int32_t length, int64_t& best, int32_t& bestLength) {
    if (at >= 0 && (best < 0 || at < best)) {
        best = at;
        bestLength = length;
    }
}

void MarkNotSearched(std::vector<VQPattern>& patterns) {
    for (VQPattern& p : patterns)
        p.found = VQPattern::kNotSearched;
}

} // namespace

VQ_WordsSearch::~VQ_WordsSearch() {
    CloseZip();
    m_reader.Close();
}

void VQ_WordsSearch::SetWorker(WorkerThread* worker) noexcept {
    m_worker = worker;
    m_regexps.SetWorker(worker);
}

bool VQ_WordsSearch::ShouldStop() {
    return (m_worker && m_worker->CheckStop()) || IsShuttingDown();
}

void VQ_WordsSearch::ClearPatterns() noexcept {
    m_utf16.clear();
    m_utf8.clear();
    m_ansi.clear();
    m_hex.clear();
    m_maxUtf16 = m_maxUtf8 = m_maxAnsi = m_maxHex = 0;
    m_all = false;
}

const std::vector<VQPattern>& VQ_WordsSearch::Patterns(int32_t encoding) const noexcept {
    switch (encoding) {
    case VQEncUtf16LE:
        return m_utf16;
    case VQEncUtf8:
        return m_utf8;
    case VQEncAnsi:
        return m_ansi;
    default:
        return m_hex;
    }
}

void VQ_WordsSearch::SetSearch(const std::set<mvstring>& words, bool caseInsensitive, int type,
                               bool hex) {
    ClearPatterns();
    m_regexps.Clear();
    if (words.empty())
        return;
    if (type == RegularExpression)
        m_regexps.Compile(*words.begin(), caseInsensitive);
    else
        BuildPatterns(words, caseInsensitive, type == AllWords, hex);
}

void VQ_WordsSearch::BuildPatterns(const std::set<mvstring>& words, bool caseInsensitive, bool all,
                                   bool hex) {
    ClearPatterns();
    m_all = all;
    m_utf16.reserve(words.size());
    m_utf8.reserve(words.size());
    m_ansi.reserve(words.size());
    for (const mvstring& word : words) {
        if (word.empty())
            continue;
        std::vector<unsigned char> bytes;
        if (hex && ParseHexBytes(word, bytes)) {
            m_hex.emplace_back().Set(bytes.data(), bytes.size(), false);
            m_maxHex = std::max(m_maxHex, m_hex.back().Length());
            continue;
        }
        AddWordPatterns(word, caseInsensitive);
    }
}

void VQ_WordsSearch::AddWordPatterns(const mvstring& word, bool caseInsensitive) {
    const std::string utf8 = WideToUtf8(word);
    const std::string ansi = WideToAnsi(word);
    VQPattern& wide = m_utf16.emplace_back();
    wide.Set(reinterpret_cast<const uint8_t*>(word.data()), word.length() * sizeof(wchar_t),
             caseInsensitive);
    VQPattern& narrow = m_utf8.emplace_back();
    narrow.Set(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size(), caseInsensitive);
    VQPattern& local = m_ansi.emplace_back();
    if (ansi != utf8)
        local.Set(reinterpret_cast<const uint8_t*>(ansi.data()), ansi.size(), caseInsensitive);
    else
        local.Set(nullptr, 0, caseInsensitive); // shares the UTF-8 pattern
    m_maxUtf16 = std::max(m_maxUtf16, wide.Length());
    m_maxUtf8 = std::max(m_maxUtf8, narrow.Length());
    m_maxAnsi = std::max(m_maxAnsi, local.Empty() ? narrow.Length() : local.Length());
}

int32_t VQ_WordsSearch::MaxPatternLength(int32_t flags) const noexcept {
    if (flags == 0)
        flags = VQEncAllText;
    int32_t longest = m_maxHex;
    if (flags & VQEncUtf16LE)
        longest = std::max(longest, m_maxUtf16);
    if (flags & VQEncUtf8)
        longest = std::max(longest, m_maxUtf8);
    if (flags & VQEncAnsi)
        longest = std::max(longest, m_maxAnsi);
    return longest;
}

void VQ_WordsSearch::ResetFound() noexcept {
    if (!m_all)
        return;
    for (std::vector<VQPattern>* v : {&m_utf16, &m_utf8, &m_ansi, &m_hex})
        MarkNotSearched(*v);
}

int64_t VQ_WordsSearch::FindAnyOf(int32_t& length, const uint8_t* bytes, int64_t count,
                                  int64_t base) {
    length = 0;
    if (m_group.empty() || ShouldStop())
        return -1;
    size_t which = 0;
    const int64_t at = VQPattern::FindFirstOf(m_group.data(), m_group.size(), bytes, count, which);
    if (at < 0)
        return -1;
    length = m_group[which]->Length();
    return base + at;
}

int64_t VQ_WordsSearch::FindInVector(int32_t& length, const uint8_t* bytes, int64_t count,
                                     int64_t base, int32_t encoding) {
    length = 0;
    std::vector<VQPattern>& patterns = encoding == VQEncUtf16LE ? m_utf16
                                       : encoding == VQEncUtf8  ? m_utf8
                                                                : m_ansi;
    int64_t best = -1;
    int32_t bestLength = 0;
    size_t found = 0;
    for (size_t i = 0; i < patterns.size(); ++i) {
        if (ShouldStop())
            return -1;
        VQPattern& pattern = patterns[i];
        const bool shared = encoding == VQEncAnsi && pattern.Empty();
        const VQPattern& searched = shared ? m_utf8[i] : pattern;
        if (pattern.found >= 0) {
            ++found;
            TakeEarlier(pattern.found, searched.Length(), best, bestLength);
            continue;
        }
        int64_t at = -1;
        if (shared && searched.found != VQPattern::kNotSearched) {
            at = searched.found;
        } else {
            const int64_t position = searched.Find(bytes, count);
            at = position >= 0 ? base + position : -1;
        }
        if (at >= 0) {
            pattern.found = at;
            ++found;
            TakeEarlier(at, searched.Length(), best, bestLength);
        } else if (encoding == VQEncUtf8) {
            // The ANSI pass of this buffer reuses the miss.
            pattern.found = VQPattern::kNotFound;
        }
    }
    if (found < patterns.size())
        return -1;
    length = bestLength;
    return best;
}

int64_t VQ_WordsSearch::FindHex(int32_t& length, const uint8_t* bytes, int64_t count,
                                int64_t base) {
    length = 0;
    int64_t best = -1;
    int32_t bestLength = 0;
    size_t found = 0;
    for (VQPattern& pattern : m_hex) {
        if (ShouldStop())
            return -1;
        if (pattern.found < 0) {
            const int64_t position = pattern.Find(bytes, count);
            pattern.found = position >= 0 ? base + position : VQPattern::kNotFound;
        }
        if (pattern.found >= 0) {
            ++found;
            TakeEarlier(pattern.found, pattern.Length(), best, bestLength);
        }
    }
    if (found < m_hex.size())
        return -1;
    length = bestLength;
    return best;
}

int64_t VQ_WordsSearch::FindInBuffer(int32_t& length, const uint8_t* bytes, int64_t count,
                                     int64_t base, int32_t flags) {
    length = 0;
    if (!bytes || count <= 0)
        return -1;
    if (flags == 0)
        flags = VQEncAllText;
    if (!m_all) {
        // Every pattern of the encodings in the flags in one pass; on a tie
        // hex patterns come first, then UTF-16LE, UTF-8 and ANSI. An empty
        // ANSI pattern stands for the UTF-8 one of the same word, already
        // searched when the flags hold UTF-8.
        m_group.clear();
        for (const VQPattern& p : m_hex)
            m_group.push_back(&p);
        if (flags & VQEncUtf16LE) {
            for (const VQPattern& p : m_utf16)
                m_group.push_back(&p);
        }
        if (flags & VQEncUtf8) {
            for (const VQPattern& p : m_utf8)
                m_group.push_back(&p);
        }
        if (flags & VQEncAnsi) {
            for (size_t i = 0; i < m_ansi.size(); ++i) {
                if (!m_ansi[i].Empty())
                    m_group.push_back(&m_ansi[i]);
                else if (!(flags & VQEncUtf8))
                    m_group.push_back(&m_utf8[i]);
            }
        }
        return FindAnyOf(length, bytes, count, base);
    }
    // Each buffer is searched afresh for words not yet found, so the ANSI pass
    // never reuses a UTF-8 miss of an earlier buffer.
    if (flags & VQEncAnsi) {
        for (VQPattern& p : m_utf8) {
            if (p.found < 0)
                p.found = VQPattern::kNotSearched;
        }
    }
    int64_t hexResult = -1;
    int32_t hexLength = 0;
    if (!m_hex.empty()) {
        if (ShouldStop())
            return -1;
        hexResult = FindHex(hexLength, bytes, count, base);
    }
    int64_t textResult = -1;
    int32_t textLength = 0;
    if (!m_utf16.empty()) {
        for (int32_t encoding : {VQEncUtf16LE, VQEncUtf8, VQEncAnsi}) {
            if (!(flags & encoding))
                continue;
            if (ShouldStop())
                return -1;
            int32_t passLength = 0;
            const int64_t r = FindInVector(passLength, bytes, count, base, encoding);
            TakeEarlier(r, passLength, textResult, textLength);
        }
    }
    if (m_hex.empty()) {
        length = textResult >= 0 ? textLength : 0;
        return textResult;
    }
    if (m_utf16.empty()) {
        length = hexResult >= 0 ? hexLength : 0;
        return hexResult;
    }
    if (hexResult < 0 || textResult < 0)
        return -1;
    if (hexResult >= 0 && (textResult < 0 || hexResult <= textResult)) {
        length = hexLength;
        return hexResult;
    }
    length = textLength;
    return textResult;
}

int64_t VQ_WordsSearch::FindInFile(int32_t& length, int64_t start, int64_t end) {
    length = 0;
    if (m_utf16.empty() && m_hex.empty())
        return -1;
    const int64_t size = m_reader.Size();
    if (end < 0 || end >= size)
        end = size;
    if (end <= 0)
        return -1;
    int64_t at = std::max<int64_t>(start, 0);
    if (at >= end)
        return -1;
    const int32_t flags = m_reader.Flags();
    const int32_t overlap = MaxPatternLength(flags);
    if (!m_reader.EnsureBuffer())
        return -1;
    if (static_cast<int64_t>(overlap) >= m_reader.Capacity() && size > m_reader.Capacity())
        return -1;
    ResetFound();
    do {
        if (ShouldStop())
            break;
        int32_t count = 0;
        const uint8_t* data = m_reader.Read(at, count, false);
        if (!data || count <= 0)
            break;
        const int64_t r = FindInBuffer(length, data, count, at, flags);
        if (r >= 0)
            return r;
        at += count;
        // Consecutive chunks overlap by the longest pattern, so a match that
        // straddles their border is seen whole in the next one.
        if (at < end && overlap > 0 && overlap < count)
            at -= overlap;
    } while (at < end);
    length = 0;
    return -1;
}
