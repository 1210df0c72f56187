#include "support/TempDir.h"

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

// The viewer's menu commands, as its menu bar sends them.
constexpr WORD kCommandCopyAsHex = 10026;
constexpr WORD kCommandCopy = 10027;

std::vector<HWND> VisibleWindowsOf(DWORD process) {
    struct Search {
        DWORD process;
        std::vector<HWND> found;
    } search{process, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->process && IsWindowVisible(hwnd))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Puts a text of the test's own on the clipboard, so that a copy that does
// nothing shows.
bool PutSentinel() {
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 9);
    memcpy(GlobalLock(memory), "sentinel", 9);
    GlobalUnlock(memory);
    const bool set = SetClipboardData(CF_TEXT, memory) != nullptr;
    if (!set)
        GlobalFree(memory);
    CloseClipboard();
    return set;
}

// What this process reads from the clipboard, and which process owns it.
struct Clipboard {
    DWORD ownerProcess = 0;
    std::string text;     // CF_TEXT up to its terminator; "<none>" when absent
    std::wstring unicode; // CF_UNICODETEXT, as the system renders it from the text
};

Clipboard ReadClipboard() {
    Clipboard read;
    if (!OpenClipboard(nullptr))
        return read;
    GetWindowThreadProcessId(GetClipboardOwner(), &read.ownerProcess);
    read.text = "<none>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        read.text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        read.unicode = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return read;
}

// Sends the viewer a copy command and reads the clipboard once the viewer
// owns it. Tests beside this one may put their own texts on the clipboard
// of the display meanwhile: a copy taken over by another owner is tried
// again, a few times.
Clipboard CopyThroughTheViewer(HWND viewer, DWORD process, WORD command) {
    Clipboard read;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!PutSentinel())
            continue;
        const DWORD before = GetClipboardSequenceNumber();
        PostMessageW(viewer, WM_COMMAND, command, 0);
        for (int waited = 0; waited < 30000; waited += 50) {
            Sleep(50);
            if (GetClipboardSequenceNumber() == before)
                continue;
            read = ReadClipboard();
            if (read.ownerProcess == process)
                return read;
        }
    }
    return read;
}

} // namespace

// The viewer started as the program is started from outside, its selection
// read back through copies by this process, which is another process than
// the viewer's. An offset beyond 2^63 lands on the last byte, with a count
// cut to what is left of the file.
TEST(HexViewProcess, StartedWithAnOffsetAndLengthItCopiesThoseBytesForAnotherProcess) {
    TempDir t;
    std::string bytes(91, 0);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i); // 65 is 'A', the last (90) is 'Z'
    const std::wstring path = t.WriteFile(L"bytes.bin", bytes);

    struct Case {
        const wchar_t* range;
        const char* text;
        const wchar_t* unicode;
        const char* hex;
    } cases[] = {
        {L"65 3", "ABC", L"ABC", "414243"},
        {L"18446744073709551615 3", "Z", L"Z", "5A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "range " << std::string(c.range, c.range + wcslen(c.range)));
        ProgramProcess run;
        ASSERT_TRUE(run.Start(L"/hexview \"" + path + L"\" " + c.range, t.Path()))
            << run.outcome.failure;
        const DWORD process = GetProcessId(run.Handle());
        const HWND viewer = run.WaitForWindow(L"bytes.bin - HexView");
        ASSERT_NE(viewer, nullptr) << "no viewer window came";
        Sleep(500); // time for any other window the program might wrongly show
        EXPECT_EQ(VisibleWindowsOf(process), std::vector<HWND>{viewer}) << "the viewer stands alone";

        const Clipboard text = CopyThroughTheViewer(viewer, process, kCommandCopy);
        EXPECT_EQ(text.ownerProcess, process) << "the viewer's window owns the clipboard";
        EXPECT_EQ(text.text, c.text);
        EXPECT_EQ(text.unicode, c.unicode);
        const Clipboard hex = CopyThroughTheViewer(viewer, process, kCommandCopyAsHex);
        EXPECT_EQ(hex.ownerProcess, process);
        EXPECT_EQ(hex.text, c.hex);

        PostMessageW(viewer, WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.Wait(60000)) << run.outcome.failure;
        EXPECT_EQ(run.outcome.exitCode, 0u);
        EXPECT_EQ(run.outcome.error, "");
    }
}
