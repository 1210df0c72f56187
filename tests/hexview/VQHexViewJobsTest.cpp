#include "hexview/VQHexViewJobs.h"

#include "foundation/Settings.h"
#include "ui/core/WindowHolders.h"

#include "HexViewFixture.h"

#include <atomic>
#include <string>
#include <thread>

namespace {

// Puts a text of its own on the clipboard, to see whether a copy replaced it.
void PutSentinel() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 9);
    memcpy(GlobalLock(memory), "sentinel", 9);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

// The clipboard's text in the format, as bytes up to its terminator (two
// zero bytes for UTF-16); "<none>" when it holds no such format.
std::string ClipboardBytes(UINT format) {
    if (!OpenClipboard(nullptr))
        return "<closed>";
    std::string text = "<none>";
    if (HANDLE data = GetClipboardData(format)) {
        const char* p = static_cast<const char*>(GlobalLock(data));
        text.clear();
        if (format == CF_UNICODETEXT)
            for (size_t i = 0; p[i] != 0 || p[i + 1] != 0; i += 2)
                text.append(p + i, 2);
        else
            text = p;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// HexviewMaxCopyMB for the test's duration.
class ScopedCopyLimit {
public:
    explicit ScopedCopyLimit(uint32_t bytes) : m_old(Settings().HexviewMaxCopyBytes) {
        Settings().HexviewMaxCopyBytes = bytes;
    }
    ~ScopedCopyLimit() { Settings().HexviewMaxCopyBytes = m_old; }

private:
    uint32_t m_old;
};

// The copies, which read back what they put on the clipboard: one clipboard
// serves the whole display, so these run alone ("Input"), where no other
// test can put its own text there meanwhile.
class HexViewClipboardInput : public HexViewTest {};

} // namespace

TEST_F(HexViewClipboardInput, CopyPutsTextOrHexDigitsOnTheClipboard) {
    Open("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmn", 0, 3);
    PutSentinel();
    ASSERT_TRUE(m_panel.CopySelectionToClipboard(false));
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "ABC");
    Key('C', true, false); // C alone copies; with Shift as hex digits
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "414243");

    // Columns 2..3 of three rows: a line feed between rows, none after.
    m_panel.VertSelection(false, true);
    Select(2, 35);
    Key('C', false, true);
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "CD\nST\n89");

    // No selection: nothing is copied.
    PutSentinel();
    Select(-1, 4);
    EXPECT_FALSE(m_panel.CopySelectionToClipboard(false));
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "sentinel");
}

TEST_F(HexViewClipboardInput, ARawCopyOfAUtf16FileGoesOutAsUnicode) {
    Open(std::string("\xFF\xFE" "A\0B\0C\0", 8), 2, 4);
    ASSERT_EQ(m_panel.Reader().Flags(), VQEncUtf16LE);
    ASSERT_TRUE(m_panel.CopySelectionToClipboard(false));
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), std::string("A\0B\0", 4));
    ASSERT_TRUE(m_panel.CopySelectionToClipboard(true));
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "41004200");
}

TEST_F(HexViewClipboardInput, AHugeCopyAsksFirstAndNoCopiesNothing) {
    ScopedCopyLimit limit(6); // "414243" and its terminator are 7 bytes
    Open("ABCDEF", 0, 3);
    PutSentinel();
    {
        DialogDriver driver([](HWND box) { PressButton(box, IDNO); }, kMessageBoxClass);
        EXPECT_FALSE(m_panel.CopySelectionToClipboard(true));
        driver.Join();
        EXPECT_NE(driver.Dialog(), nullptr);
    }
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "sentinel");
    {
        DialogDriver driver([](HWND box) { PressButton(box, IDYES); }, kMessageBoxClass);
        EXPECT_TRUE(m_panel.CopySelectionToClipboard(true));
    }
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "414243");
    // Within the limit: no question.
    EXPECT_TRUE(m_panel.CopySelectionToClipboard(false));
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "ABC");
}

TEST_F(HexViewClipboardInput, ACopyLargerThanTheMemoryIsRefusedWithAMessageBeforeAnyRead) {
    OpenSparse(1LL << 42); // 4 TiB of holes: as hex, 8 TiB of text
    Key('A', false, true);
    PutSentinel();
    std::atomic<int> boxes{0};
    DialogDriver driver(
        [&](HWND question) {
            ++boxes;
            PressButton(question, IDYES);
            // Then the refusal, a box of its own.
            for (int i = 0; i < 200; ++i) {
                HWND box = FindThreadDialog(GetWindowThreadProcessId(question, nullptr),
                                            kMessageBoxClass);
                if (box != nullptr && box != question) {
                    ++boxes;
                    PressButton(box, IDOK);
                    return;
                }
                Sleep(50);
            }
        },
        kMessageBoxClass);
    EXPECT_FALSE(m_panel.CopySelectionToClipboard(true));
    driver.Join();
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "sentinel");
}

// The clipboard is opened only once the text is made: during a long copy
// other programs can use it.
TEST_F(HexViewClipboardInput, TheClipboardIsFreeWhileALongCopyRunsAndCancelLeavesItAlone) {
    Open("ABCDEFGH", 0, 8);
    m_panel.m_testJobHoldMs = 3000;
    PutSentinel();
    bool openDuringCopy = false;
    {
        DialogDriver driver(
            [&](HWND) {
                openDuringCopy = OpenClipboard(nullptr) != FALSE;
                if (openDuringCopy)
                    CloseClipboard();
            },
            kDialogClass);
        EXPECT_TRUE(m_panel.CopySelectionToClipboard(false));
    }
    EXPECT_TRUE(openDuringCopy);
    EXPECT_TRUE(IsWindowEnabled(m_parent.Handle())) << "the owner is enabled again";
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "ABCDEFGH");

    PutSentinel();
    {
        DialogDriver driver([](HWND dialog) { PressButton(dialog, IDCANCEL); }, kDialogClass);
        EXPECT_FALSE(m_panel.CopySelectionToClipboard(true));
        driver.Join();
        EXPECT_NE(driver.Dialog(), nullptr) << "the cancel dialog showed";
    }
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "sentinel");
}

TEST_F(HexViewTest, FindSelectsTheNextMatchAndWrapsToTheStart) {
    Open("xxABCxxxxABCxxabc");
    m_panel.SetFindText(L"ABC", false, false);
    struct Step {
        int64_t caret, anchor; // before
        int64_t newCaret, newAnchor;
    } steps[] = {
        {0, -1, 4, 2},   // from the start
        {2, -1, 4, 2},   // the caret on a match's first byte finds that match
        {4, 2, 11, 9},   // Find next after a match starts behind it
        {11, 9, 4, 2},   // past the last match: from the start again
        {13, -1, 4, 2},  // the only match before the caret
    };
    for (const Step& s : steps) {
        Select(s.anchor, s.caret);
        Key(VK_F3);
        EXPECT_EQ(m_panel.m_caret, s.newCaret) << s.caret;
        EXPECT_EQ(m_panel.m_anchor, s.newAnchor) << s.caret;
    }
    m_panel.SetFindText(L"abc", true, false);
    Select(-1, 5);
    m_panel.FindNext();
    EXPECT_EQ(m_panel.m_anchor, 9) << "ignoring case";
    m_panel.SetFindText(L"43 0x78", false, true); // "Cx"
    Select(-1, 0);
    m_panel.FindNext();
    EXPECT_EQ(m_panel.m_anchor, 4) << "hex bytes";
    EXPECT_EQ(m_panel.m_caret, 5);
}

TEST_F(HexViewTest, NothingFoundOrACancelledFindDropsTheSelectionAndKeepsTheCaret) {
    Open("aaaaaaaaaaaaaaaaaaaaaaaaaaaa");
    m_panel.SetFindText(L"zz", false, false);
    Select(3, 7);
    m_panel.FindNext();
    EXPECT_EQ(m_panel.m_caret, 7);
    EXPECT_EQ(m_panel.m_anchor, -1);

    m_panel.SetFindText(L"aa", false, false);
    m_panel.m_testJobHoldMs = 3000;
    Select(3, 7);
    DialogDriver driver([](HWND dialog) { PressButton(dialog, IDCANCEL); }, kDialogClass);
    m_panel.FindNext();
    driver.Join();
    ASSERT_NE(driver.Dialog(), nullptr);
    EXPECT_EQ(m_panel.m_caret, 7);
    EXPECT_EQ(m_panel.m_anchor, -1);
}

// Another holds the clipboard open for longer than a copy waits for it: the
// copy says it failed, frees its memory and leaves the clipboard as it was.
// Once free, the same memory goes on as it should.
TEST_F(HexViewClipboardInput, AClipboardHeldElsewhereFailsTheCopyAndFreesItsMemory) {
    PutSentinel();
    auto text = [](const char* bytes) {
        const size_t size = strlen(bytes) + 1;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
        memcpy(GlobalLock(memory), bytes, size);
        GlobalUnlock(memory);
        return memory;
    };
    std::atomic<int> held{0}; // 1 open, -1 could not open
    std::atomic<bool> release{false};
    std::thread holder([&] {
        // Opened for a window: a clipboard opened for no window is, under
        // Wine, open to any other opener with no window too.
        WindowHandle window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                            nullptr, nullptr, nullptr));
        if (!window || !OpenClipboard(window.Get())) {
            held = -1;
            return;
        }
        held = 1;
        while (!release)
            Sleep(10);
        CloseClipboard();
    });
    while (held == 0)
        Sleep(5);
    ASSERT_EQ(held, 1) << "the other thread could not open the clipboard";
    HGLOBAL refused = text("ABC");
    const bool set = SetClipboardText(nullptr, CF_TEXT, GlobalMemory(refused));
    release = true;
    holder.join();
    EXPECT_FALSE(set);
    EXPECT_EQ(GlobalSize(refused), 0u) << "the memory is freed";
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "sentinel");

    EXPECT_TRUE(SetClipboardText(nullptr, CF_TEXT, GlobalMemory(text("ABC"))));
    EXPECT_EQ(ClipboardBytes(CF_TEXT), "ABC");
}
