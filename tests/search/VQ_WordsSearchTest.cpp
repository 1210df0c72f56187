#include "search/VQ_WordsSearch.h"

#include "ContentFixtures.h"
#include "foundation/Settings.h"
#include "foundation/WorkerThread.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

constexpr uint32_t kBuffer = 4096;

// A matcher over files written into a temporary folder, with a small window
// buffer so that a few KiB already make several chunks.
class WordsSearchTest : public testing::Test {
protected:
    ScopedValue<uint32_t> m_bufferSize{Settings().FileBufferSize, kBuffer};
    TempDir m_dir;
    VQ_WordsSearch m_search;
    int m_files = 0;

    void Set(std::set<mvstring> words, int type = VQ_WordsSearch::AnyWord, bool hex = false,
             bool caseInsensitive = false) {
        m_search.SetSearch(words, caseInsensitive, type, hex);
    }
    // Opens the bytes as a new file; the encoding flags.
    int32_t Open(std::string_view bytes) {
        return m_search.Reader().Open(
            m_dir.WriteFile(L"f" + std::to_wstring(++m_files) + L".bin", bytes));
    }
    // Offset and length of the first match in the bytes written as a file.
    std::pair<int64_t, int32_t> Find(std::string_view bytes, int64_t start = 0, int64_t end = -1) {
        if (Open(bytes) < 0)
            return {-100, -100};
        int32_t length = -1;
        const int64_t at = m_search.FindInFile(length, start, end);
        return {at, length};
    }
};

using Hit = std::pair<int64_t, int32_t>;

TEST_F(WordsSearchTest, FindsANonAsciiWordInEachEncodingWithItsOffsetAndLength) {
    const std::wstring word = L"caf\u00E9";
    const std::string utf8 = WideToUtf8(word), ansi = WideToAnsi(word);
    ASSERT_NE(utf8, ansi) << "the test needs an ANSI code page that holds e acute";
    Set({word});
    struct Case {
        const char* what;
        std::string bytes;
        int32_t flags;
        Hit hit;
    };
    const Case cases[] = {
        {"UTF-16LE with mark", Utf16Bytes(L"\uFEFFxx caf\u00E9 x"), 1, {8, 8}},
        {"UTF-16LE without mark", Utf16Bytes(L"x caf\u00E9"), 1, {4, 8}},
        {"UTF-16LE without mark, starting with U+0100",
         Utf16Bytes(L"\u0100 caf\u00E9 x"),
         1,
         {4, 8}},
        {"UTF-8 after ASCII", "xx " + utf8 + " x", 6, {3, 5}},
        {"UTF-8 first", WideToUtf8(L"\u00E9 ") + utf8, 2, {3, 5}},
        {"ANSI after ASCII", "xx " + ansi, 6, {3, 4}},
        {"ANSI first", "\xE9t\xE9 " + ansi, 13, {4, 4}},
        {"binary holding UTF-8", std::string("\0\0", 2) + "ab" + utf8, 0, {4, 5}},
        {"binary holding UTF-16LE", std::string("\0\0", 2) + Utf16Bytes(word), 0, {2, 8}},
        {"UTF-16LE file holding UTF-8 bytes", Utf16Bytes(L"\uFEFFxy") + utf8, 1, {-1, 0}},
        {"UTF-8 file holding ANSI bytes", WideToUtf8(L"\u00E9 ") + ansi, 2, {-1, 0}},
        {"no match", "xx cafe", 6, {-1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Open(c.bytes), c.flags);
        EXPECT_EQ(Find(c.bytes), c.hit);
    }
}

TEST_F(WordsSearchTest, CaseFoldingTouchesOnlyAsciiLetters) {
    struct Case {
        std::wstring word;
        std::string bytes;
        int64_t folded, exact;
    };
    const Case cases[] = {
        {L"abc", "xxABCxx", 2, -1},
        {L"abc", "xxaBcxx", 2, -1},
        {L"abc", "xxabcxx", 2, 2},
        {L"abc", Utf16Bytes(L"xxaBc"), 4, -1},
        {L"a[c", "xxA{C", -1, -1},
        {L"\u00E9t\u00E9", WideToUtf8(L"\u00C9T\u00C9"), -1, -1},
        {L"\u00E9t\u00E9", WideToUtf8(L"\u00E9T\u00E9"), 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        Set({c.word}, VQ_WordsSearch::AnyWord, false, true);
        EXPECT_EQ(Find(c.bytes).first, c.folded);
        Set({c.word});
        EXPECT_EQ(Find(c.bytes).first, c.exact) << "case-sensitive";
    }
}

TEST_F(WordsSearchTest, AnyWordGivesTheEarliestMatchOverPatternsAndEncodings) {
    Set({L"alpha", L"zeta"});
    EXPECT_EQ(Find("...zeta...alpha"), Hit(3, 4));
    // UTF-16LE alpha before UTF-8 zeta, and the other way round, in a binary file.
    const std::string binary("\0\0", 2);
    EXPECT_EQ(Find(binary + Utf16Bytes(L"alpha") + "zeta"), Hit(2, 10));
    EXPECT_EQ(Find(binary + "zeta" + Utf16Bytes(L"alpha")), Hit(2, 4));
    // A hex pattern and a text pattern at the same offset: the hex one wins.
    Set({L"61 62 63 64", L"abcdx"}, VQ_WordsSearch::AnyWord, true);
    EXPECT_EQ(Find("0123456789abcdxef"), Hit(10, 4));
    Set({L"61 62 63 64", L"zabcd"}, VQ_WordsSearch::AnyWord, true);
    EXPECT_EQ(Find("0123456789zabcd"), Hit(10, 5));
}

TEST_F(WordsSearchTest, AllWordsNeedsEveryWordInOneEncoding) {
    Set({L"alpha", L"beta"}, VQ_WordsSearch::AllWords);
    std::string text(3 * kBuffer, 'x');
    text.replace(100, 5, "alpha");
    text.replace(2 * kBuffer + 50, 4, "beta");
    EXPECT_EQ(Find(text), Hit(100, 5)) << "words in different chunks";
    EXPECT_EQ(Find(text.substr(0, 2 * kBuffer)), Hit(-1, 0)) << "beta missing";
    const std::string binary("\0\0", 2);
    EXPECT_EQ(Find(binary + Utf16Bytes(L"alpha") + "beta"), Hit(-1, 0));
    EXPECT_EQ(Find(binary + "beta..alpha"), Hit(2, 4));
    // A word found before the start of a second search of the same file does
    // not count for it.
    ASSERT_EQ(Open(text), 6);
    int32_t length = 0;
    EXPECT_EQ(m_search.FindInFile(length, 101, -1), -1);
    // With hex patterns as well, both kinds must be complete.
    Set({L"alpha", L"62 65"}, VQ_WordsSearch::AllWords, true);
    EXPECT_EQ(Find("xx be alpha"), Hit(3, 2));
    EXPECT_EQ(Find("xx b e alpha"), Hit(-1, 0));
}

TEST_F(WordsSearchTest, MatchesThatStraddleAChunkBorderAreFound) {
    Set({L"needle"});
    // An ASCII file is searched as UTF-8 and ANSI: chunks overlap by 6 bytes.
    const int64_t second = kBuffer - 6;
    for (int64_t border : {int64_t(kBuffer), second + kBuffer}) {
        for (int64_t at = border - 8; at <= border + 2; ++at) {
            SCOPED_TRACE(at);
            std::string text(3 * kBuffer, 'x');
            text.replace(at, 6, "needle");
            EXPECT_EQ(Find(text), Hit(at, 6));
        }
    }
}

TEST_F(WordsSearchTest, HexWordsAreBytesAndOtherWordsStayText) {
    Set({L"4D 5A"}, VQ_WordsSearch::AnyWord, true);
    EXPECT_EQ(Find("xxMZxx"), Hit(2, 2));
    EXPECT_EQ(Find("xxmzxx"), Hit(-1, 0)) << "hex bytes are compared exactly";
    EXPECT_EQ(m_search.HexPatterns().size(), 1u);
    Set({L"hello"}, VQ_WordsSearch::AnyWord, true);
    EXPECT_EQ(Find("say hello"), Hit(4, 5));
    EXPECT_TRUE(m_search.HexPatterns().empty());
    Set({L"4D 5A"});
    EXPECT_EQ(Find("x4D 5A"), Hit(1, 5)) << "without hex mode it is text";
}

TEST_F(WordsSearchTest, StartEndAndEmptyCases) {
    Set({L"ab"});
    std::string text(2 * kBuffer, '-');
    text.replace(10, 2, "ab");
    text.replace(5000, 2, "ab");
    EXPECT_EQ(Find(text, 11), Hit(5000, 2));
    EXPECT_EQ(Find(text, 0, 5), Hit(10, 2)) << "only chunk starts are bounded by the end";
    EXPECT_EQ(Find(text, 5001, 5001), Hit(-1, 0));
    EXPECT_EQ(Find(text, int64_t(text.size())), Hit(-1, 0));
    EXPECT_EQ(Find(""), Hit(-1, 0));
    Set({});
    EXPECT_FALSE(m_search.HasSearch());
    EXPECT_EQ(Find(text), Hit(-1, 0));
    Set({L""});
    EXPECT_FALSE(m_search.HasSearch());
}

TEST_F(WordsSearchTest, APatternLongerThanTheBufferMatchesOnlyInAFileThatFits) {
    // In a binary file the 6000-byte UTF-16LE form sets the overlap.
    const std::wstring word(3000, L'q');
    Set({word});
    const std::string small = std::string("\0\0", 2) + WideToUtf8(word);
    EXPECT_EQ(Find(small), Hit(2, 3000));
    EXPECT_EQ(Find(small + std::string(2 * kBuffer, 'y')), Hit(-1, 0));
}

// Runs FindInFile on a worker thread once the test lets it go.
struct SearchWorker {
    WorkerThread worker;
    VQ_WordsSearch* search = nullptr;
    KernelHandle go{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> done{false};
    std::atomic<int64_t> result{-100};

    static DWORD WINAPI Proc(void* parameter) {
        auto* self = static_cast<SearchWorker*>(parameter);
        WaitForSingleObject(self->go.Get(), INFINITE);
        int32_t length = 0;
        self->result = self->search->FindInFile(length, 0, -1);
        self->done = true;
        return 0;
    }
};

TEST_F(WordsSearchTest, APausedWorkerWaitsInsideTheSearchAndAStopEndsIt) {
    Set({L"needle"});
    std::string text(16 * kBuffer, 'x');
    text.replace(text.size() - 10, 6, "needle");
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stop" : "resume");
        ASSERT_EQ(Open(text), 6);
        SearchWorker w;
        w.search = &m_search;
        m_search.SetWorker(&w.worker);
        ASSERT_TRUE(w.worker.Start(&SearchWorker::Proc, &w));
        ASSERT_TRUE(w.worker.SetPaused(true));
        SetEvent(w.go.Get());
        Sleep(100);
        EXPECT_FALSE(w.done) << "the paused search went on";
        if (stop)
            EXPECT_TRUE(w.worker.Stop(5000));
        else
            ASSERT_TRUE(w.worker.SetPaused(false));
        ASSERT_EQ(WaitForSingleObject(w.worker.Handle(), 5000), WAIT_OBJECT_0);
        EXPECT_EQ(w.result, stop ? -1 : int64_t(text.size() - 10));
        m_search.SetWorker(nullptr);
    }
}

} // namespace
