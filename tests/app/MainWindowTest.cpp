// The program with its main window, started as a real process from a copy
// in a temporary folder (its settings beside it) and driven from outside.
#include "foundation/mvini.h"
#include "support/TempDir.h"

#include "ProgramRun.h"
#include "../search/ZipFixture.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kToolBarId = 1001;
constexpr int kStatusBarId = 1002;
constexpr int kListId = 1003;
constexpr int kSearchButtonId = 10018;
constexpr WPARAM kPauseCommand = 10020;

// The settings files of a copy that is given only uistates.ini.
std::map<std::wstring, std::string> UiStates(const std::string& lines) {
    return {{L"uistates.ini", lines}};
}

mvstring UiState(const ProgramCopy& copy, const wchar_t* key) {
    return copy.IniText(L"Config\\uistates.ini", L"global", key);
}

RECT WindowRectOf(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

// Gives the program's window time to lay itself out after a change.
void Settle() {
    Sleep(700);
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::wstring ToText(long value) {
    return std::to_wstring(value);
}

// A document whose text is `megabytes` MB of paragraphs ending in the word
// "closingword": a small file that takes the search long to unpack and read,
// with no stop between, and that it lists only once it has read it all.
std::string LongDocument(size_t megabytes) {
    const std::string paragraph = "<w:p><w:r><w:t>plain words &amp; more words</w:t></w:r></w:p>";
    std::string chunk;
    while (chunk.size() + paragraph.size() <= (1u << 20))
        chunk += paragraph;
    z_stream z{};
    deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string packed;
    uLong crc = crc32(0, Z_NULL, 0);
    std::string last = "<w:p><w:r><w:t>closingword</w:t></w:r></w:p>";
    char out[1 << 16];
    for (size_t i = 0; i <= megabytes; ++i) {
        std::string& piece = i < megabytes ? chunk : last;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(piece.data()),
                    static_cast<uInt>(piece.size()));
        z.next_in = reinterpret_cast<Bytef*>(piece.data());
        z.avail_in = static_cast<uInt>(piece.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(out);
            z.avail_out = sizeof out;
            deflate(&z, i == megabytes ? Z_FINISH : Z_NO_FLUSH);
            packed.append(out, sizeof out - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    ZipFixtureMember member;
    member.name = "word/document.xml";
    member.data = std::move(packed);
    member.deflate = false; // packed already
    member.method = 8;
    member.crc = static_cast<uint32_t>(crc);
    member.uncompressedSize = chunk.size() * megabytes + last.size();
    return BuildZip({member}).bytes;
}

// A saved search of `folder` for the last word of LongDocument, as UTF-16
// bytes.
std::string CriteriaFile(const std::wstring& folder) {
    const std::wstring text =
        L"\xFEFFVelquin03\r\nsearchinfo = " + folder + L"\r\n\tword = closingword\r\n";
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

} // namespace

TEST(MainWindow, ShowsItsPartsOnEitherSideKeepsItsMinimumAndSavesItsPlaceOnClosing) {
    for (const int right : {0, 1}) {
        SCOPED_TRACE(right ? "panel on the right" : "panel on the left");
        ProgramCopy copy(UiStates("SearchPanelRight = " + std::to_string(right) +
                                   "\r\nSearchPanelWidth = 300\r\n"));
        ProgramProcess run;
        ASSERT_TRUE(run.Start(L"", copy.Dir().Path(), copy.Exe())) << run.outcome.failure;
        HWND main = run.WaitForWindow(L"Velquin");
        ASSERT_NE(main, nullptr) << EndedWithout(run);
        Settle();

        HWND toolBar = GetDlgItem(main, kToolBarId);
        HWND status = GetDlgItem(main, kStatusBarId);
        HWND list = GetDlgItem(main, kListId);
        HWND button = Descendant(main, kSearchButtonId);
        ASSERT_NE(toolBar, nullptr);
        ASSERT_NE(status, nullptr);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(button, nullptr);
        HWND host = GetParent(button);
        ASSERT_EQ(GetParent(host), main);
        wchar_t listClass[32] = {};
        GetClassNameW(list, listClass, 32);
        EXPECT_STREQ(listClass, WC_LISTVIEWW);

        // Toolbar above, status bar below, panel and list side by side
        // between them, the panel at its saved width.
        const RECT bar = WindowRectOf(toolBar);
        const RECT statusRect = WindowRectOf(status);
        const RECT listRect = WindowRectOf(list);
        const RECT hostRect = WindowRectOf(host);
        EXPECT_EQ(hostRect.right - hostRect.left, 300);
        EXPECT_GE(listRect.top, bar.bottom);
        EXPECT_GE(hostRect.top, bar.bottom);
        EXPECT_LE(listRect.bottom, statusRect.top);
        EXPECT_LE(hostRect.bottom, statusRect.top);
        if (right) {
            EXPECT_GE(hostRect.left, listRect.right);
        } else {
            EXPECT_LE(hostRect.right, listRect.left);
        }
        RECT client{};
        GetClientRect(main, &client);
        MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_TRUE(Inside(WindowRectOf(button), client));
        EXPECT_TRUE(Inside(WindowRectOf(button), hostRect));

        // Its minimum holds the panel twice over, and at that size the
        // panel, the list and the button are all in view.
        MINMAXINFO mainLimits{};
        MINMAXINFO hostLimits{};
        SendMessageW(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mainLimits));
        SendMessageW(host, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&hostLimits));
        ASSERT_GT(hostLimits.ptMinTrackSize.x, 0);
        EXPECT_GT(mainLimits.ptMinTrackSize.x, 2 * hostLimits.ptMinTrackSize.x);
        EXPECT_GT(mainLimits.ptMinTrackSize.y, hostLimits.ptMinTrackSize.y);
        SetWindowPos(main, nullptr, 0, 0, mainLimits.ptMinTrackSize.x,
                     mainLimits.ptMinTrackSize.y, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Settle();
        GetClientRect(main, &client);
        MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_TRUE(Inside(WindowRectOf(button), client));
        const RECT smallList = WindowRectOf(list);
        EXPECT_GT(smallList.right - smallList.left, 0);
        EXPECT_GT(smallList.bottom - smallList.top, 0);
        EXPECT_GE(WindowRectOf(host).right - WindowRectOf(host).left, hostLimits.ptMinTrackSize.x);

        // A place of our own, then closed: the place and the panel width are
        // what the settings hold afterwards.
        SetWindowPos(main, nullptr, 40, 30, 900, 600, SWP_NOZORDER | SWP_NOACTIVATE);
        Settle();
        const RECT placed = WindowRectOf(main);
        const int panelWidth = WindowRectOf(host).right - WindowRectOf(host).left;
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.Wait(60000)) << run.outcome.failure;
        EXPECT_EQ(run.outcome.exitCode, 0u);
        EXPECT_EQ(UiState(copy, L"MainWndPos_L"), ToText(placed.left));
        EXPECT_EQ(UiState(copy, L"MainWndPos_T"), ToText(placed.top));
        EXPECT_EQ(UiState(copy, L"MainWndPos_R"), ToText(placed.right));
        EXPECT_EQ(UiState(copy, L"MainWndPos_B"), ToText(placed.bottom));
        EXPECT_EQ(UiState(copy, L"MainWndMax"), L"false");
        EXPECT_EQ(UiState(copy, L"SearchPanelWidth"), ToText(panelWidth));
    }
}

// Its Ctrl+C goes through the display's keyboard, so it runs alone.
TEST(MainWindowInput, AMissingLanguageFileIsSaidInABoxAndNoWindowFollows) {
    ProgramCopy copy(UiStates(""), false);
    ProgramProcess run;
    ASSERT_TRUE(run.Start(L"", copy.Dir().Path(), copy.Exe())) << run.outcome.failure;
    HWND box = run.WaitForWindow(L"");
    ASSERT_NE(box, nullptr) << EndedWithout(run);
    Settle();
    EXPECT_EQ(GetDlgItem(box, kListId), nullptr);

    // The box copies its text with Ctrl+C. The keyboard and the clipboard
    // are the display's, shared with whatever else runs: tried a few times.
    std::wstring text;
    for (int attempt = 0; attempt < 3 && text.empty(); ++attempt) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        INPUT control[2] = {};
        control[0].type = control[1].type = INPUT_KEYBOARD;
        control[0].ki.wVk = control[1].ki.wVk = VK_CONTROL;
        control[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &control[0], sizeof(INPUT));
        Sleep(200);
        PostMessageW(box, WM_KEYDOWN, 'C', 1);
        Sleep(500);
        SendInput(1, &control[1], sizeof(INPUT));
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                text = static_cast<const wchar_t*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
    }
    EXPECT_EQ(text, L"Failed to load language file!\r\n\r\nPlease re-download Velquin.");

    PostMessageW(box, WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.Wait(60000)) << run.outcome.failure;
    EXPECT_EQ(run.outcome.exitCode, 0u);
}

TEST(MainWindow, ClosingDuringASearchStopsItAndStillSavesTheSettings) {
    ProgramCopy copy(UiStates(""));
    // A tree large enough that the search still runs when the window closes.
    ProgramProcess run;
    ASSERT_TRUE(run.Start(L"/runnow Z:\\usr", copy.Dir().Path(), copy.Exe())) << run.outcome.failure;
    // The only window of the run; its title names the folder once the
    // search has begun.
    HWND main = run.WaitForWindow(nullptr);
    ASSERT_NE(main, nullptr) << EndedWithout(run);
    HWND list = GetDlgItem(main, kListId);
    ASSERT_NE(list, nullptr);
    // The search has started and keeps finding.
    LRESULT first = 0;
    for (int i = 0; i < 100 && first == 0; ++i, Sleep(100))
        first = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    ASSERT_GT(first, 0);
    // Once its page is full the list takes new counts a few times a second.
    LRESULT later = first;
    for (int i = 0; i < 50 && later == first; ++i, Sleep(100))
        later = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    EXPECT_GT(later, first);

    const DWORD closing = GetTickCount();
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.Wait(60000)) << run.outcome.failure;
    EXPECT_EQ(run.outcome.exitCode, 0u);
    EXPECT_LT(GetTickCount() - closing, 10000u);
    EXPECT_NE(UiState(copy, L"MainWndPos_R"), L"");
}

// The end of the program while its search's worker is not at a check of its
// stop request: paused (its gate closed), or deep in one large document,
// which it reads to the end before it looks again. Either way the process
// ends soon after the window, with exit code 0, the settings written, and no
// crash from objects freed under a thread that is still running.
TEST(MainWindow, ClosingWhileTheSearchIsPausedOrBusyInOneFileStillEndsAtOnce) {
    struct Case {
        const char* what;
        bool pause;     // pause the search before closing
        bool documents; // search the words of large documents
    } cases[] = {
        {"a paused folder walk", true, false},
        {"a worker deep in a large document", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramCopy copy(UiStates(""));
        std::wstring arguments = L"/runnow Z:\\usr";
        if (c.documents) {
            const std::string document = LongDocument(256);
            for (const wchar_t* name : {L"docs\\a.docx", L"docs\\b.docx", L"docs\\c.docx"})
                copy.Dir().WriteFile(name, document);
            copy.Dir().WriteFile(L"criteria.velquin", CriteriaFile(copy.Dir() / L"docs"));
            arguments = L"\"" + (copy.Dir() / L"criteria.velquin") + L"\" /runnow";
        }
        ProgramProcess run;
        ASSERT_TRUE(run.Start(arguments, copy.Dir().Path(), copy.Exe())) << run.outcome.failure;
        HWND main = run.WaitForWindow(nullptr);
        ASSERT_NE(main, nullptr) << EndedWithout(run);
        HWND list = GetDlgItem(main, kListId);
        ASSERT_NE(list, nullptr);
        if (c.pause) {
            LRESULT first = 0;
            for (int i = 0; i < 100 && first == 0; ++i, Sleep(100))
                first = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
            ASSERT_GT(first, 0);
            PostMessageW(main, WM_COMMAND, kPauseCommand, 0);
            // Paused: the count stands still once what was on its way is in.
            Sleep(500);
            const LRESULT paused = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
            Sleep(700);
            ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), paused);
        } else {
            // The title names the folder once the walk has begun; then the
            // worker is soon inside the first document.
            wchar_t title[256] = {};
            for (int i = 0; i < 100 && wcsstr(title, L"docs") == nullptr; ++i, Sleep(100))
                GetWindowTextW(main, title, 256);
            ASSERT_NE(wcsstr(title, L"docs"), nullptr) << "the search did not start";
            Sleep(800);
            // Not one document read yet: the worker is inside the first.
            ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
        }

        const DWORD closing = GetTickCount();
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.Wait(60000)) << run.outcome.failure;
        const DWORD took = GetTickCount() - closing;
        EXPECT_EQ(run.outcome.exitCode, 0u);
        EXPECT_LT(took, 5000u);
        EXPECT_NE(UiState(copy, L"MainWndPos_R"), L"");
        EXPECT_EQ(run.outcome.error, "");
        std::printf("  %s: ended %lu ms after the close\n", c.what, took);
    }
}
