#include "search/VQ_RegexpList.h"

#include "ContentFixtures.h"
#include "foundation/WorkerThread.h"
#include "search/VQFileReader.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(VQ_RegexpList, CompilesAnAnsiFormOnlyWhenItsBytesDiffer) {
    struct Case {
        const wchar_t* pattern;
        bool utf16, utf8, ansi;
    };
    const Case cases[] = {
        {L"ab+c", true, true, false},
        {L"caf\u00E9", true, true, true},
        {L"", false, false, false},
    };
    VQ_RegexpList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pattern)));
        list.Compile(c.pattern, false);
        EXPECT_EQ(list.m_utf16.IsCompiled(), c.utf16);
        EXPECT_EQ(list.m_utf8.IsCompiled(), c.utf8);
        EXPECT_EQ(list.m_ansi.IsCompiled(), c.ansi);
    }
    list.Compile(L"x", false);
    list.Clear();
    EXPECT_FALSE(list.IsCompiled());
}

TEST(VQ_RegexpList, TriesTheFormsOfTheFileEncodingsInOrder) {
    const std::string utf8 = WideToUtf8(L"caf\u00E9"), ansi = WideToAnsi(L"caf\u00E9");
    ASSERT_NE(utf8, ansi) << "the test needs an ANSI code page that holds e acute";
    struct Case {
        const char* what;
        const wchar_t* pattern;
        bool caseInsensitive;
        std::string bytes;
        int32_t flags;
        int64_t at;
        int32_t length;
    };
    const Case cases[] = {
        {"UTF-16LE with mark counts the mark", L"f.", false, Utf16Bytes(L"\uFEFFcaf\u00E9"), 1, 6,
         4},
        {"UTF-8 with mark counts the mark", L"f.", false, "\xEF\xBB\xBF" + utf8, 2, 5, 2},
        {"mark kept when the flags allow more", L"f", false, "\xEF\xBB\xBF" + utf8, 6, 5, 1},
        {"ASCII pattern, UTF-8 form serves ANSI", L"a+f", false, "x\xE9 caaf", 13, 4, 3},
        {"ASCII pattern, flags 6", L"a+f", false, "xx caaf", 6, 4, 3},
        {"ANSI file, ANSI form", L"caf\u00E9", false, "\xE9t " + ansi, 13, 3, 4},
        {"ANSI file after an ASCII start", L"caf\u00E9", false, "xx " + ansi, 6, 3, 4},
        {"UTF-8 file, UTF-8 form", L"caf\u00E9", false, "xx " + utf8, 6, 3, 5},
        {"UTF-8 only: ANSI bytes do not match", L"caf\u00E9", false, "\xC3\xA9 " + ansi, 2, -1, 0},
        {"binary never matches", L"a", false, std::string("a\0\0", 3), 0, -1, 0},
        {"UTF-16BE only never matches", L"a", false, "a", 8, -1, 0},
        {"case ignored", L"CAF", true, "xx caf", 6, 3, 3},
        {"case kept", L"CAF", false, "xx caf", 6, -1, 0},
        {"multi-line anchors", L"^b$", false, "a\nb\nc", 6, 2, 1},
    };
    VQ_RegexpList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.Compile(c.pattern, c.caseInsensitive);
        int32_t length = -1;
        EXPECT_EQ(list.Find(length, reinterpret_cast<const uint8_t*>(c.bytes.data()),
                            static_cast<int64_t>(c.bytes.size()), c.flags),
                  c.at);
        EXPECT_EQ(length, c.length);
    }
}

// On the worker, a stop request ends the match with no result even where the
// text matches; elsewhere the same search finds it.
TEST(VQ_RegexpList, AStopRequestAbortsTheMatchOnTheWorker) {
    struct Run {
        WorkerThread worker;
        VQ_RegexpList list;
        const std::string text = "xxab";
        std::atomic<int64_t> result{-100};
        KernelHandle go{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        int64_t Find() {
            int32_t length = 0;
            return list.Find(length, reinterpret_cast<const uint8_t*>(text.data()),
                             static_cast<int64_t>(text.size()), VQEncUtf8);
        }
        static DWORD WINAPI Proc(void* parameter) {
            auto* self = static_cast<Run*>(parameter);
            WaitForSingleObject(self->go.Get(), INFINITE);
            self->result = self->Find();
            return 0;
        }
    } run;
    run.list.Compile(L"a+b", false);
    run.list.SetWorker(&run.worker);
    ASSERT_TRUE(run.worker.Start(&Run::Proc, &run));
    run.worker.Stop(0);
    SetEvent(run.go.Get());
    ASSERT_EQ(WaitForSingleObject(run.worker.Handle(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.Find(), 2);
}

} // namespace
