#include "app/shared/ClipboardFormats.h"
#include "app/shared/FileDataObjects.h"

#include "support/LocaleChild.h"
#include "support/TempDir.h"
#include "support/TestItems.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kProbeVariable[] = L"VELQUIN_CLIPBOARD_PROBE";

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                     nullptr));
    return bytes;
}

// What another process finds on the clipboard, one line per finding: the
// files of CF_HDROP, the paths of the shell ID list array and the preferred
// drop effect. Read through the plain clipboard calls, as any program can.
std::string ReadClipboardAsAnotherProgram() {
    std::string seen;
    bool open = false;
    for (int attempt = 0; attempt < 50 && !(open = OpenClipboard(nullptr)); ++attempt)
        Sleep(100);
    if (!open)
        return "clipboard busy";
    if (auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP))) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
            seen += "hdrop " + Utf8(path) + "\n";
        }
    }
    const UINT ids = RegisterClipboardFormatW(kShellIdListArray);
    if (HGLOBAL block = GetClipboardData(ids)) {
        const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
        const auto* words = reinterpret_cast<const UINT*>(bytes);
        const auto* parent = reinterpret_cast<const ITEMIDLIST*>(bytes + words[1]);
        for (UINT i = 0; i < words[0]; ++i) {
            ITEMIDLIST* full =
                ILCombine(parent, reinterpret_cast<const ITEMIDLIST*>(bytes + words[2 + i]));
            wchar_t path[MAX_PATH]{};
            SHGetPathFromIDListW(full, path);
            CoTaskMemFree(full);
            seen += "ids " + Utf8(path) + "\n";
        }
        GlobalUnlock(block);
    }
    if (HGLOBAL block = GetClipboardData(RegisterClipboardFormatW(kPreferredDropEffect))) {
        seen += "effect " + std::to_string(*static_cast<const DWORD*>(GlobalLock(block))) + "\n";
        GlobalUnlock(block);
    }
    CloseClipboard();
    return seen;
}

const bool g_probe = RunAsLocaleProbe(kProbeVariable, ReadClipboardAsAnotherProgram);

// Runs this program again as the other program; its findings. The
// clipboard's owner answers the other program's requests for delayed data
// through its messages, so they are pumped while waiting.
std::string OtherProgramReads(const TempDir& dir, const wchar_t* name) {
    const std::wstring output = dir / name;
    SetEnvironmentVariableW(kProbeVariable, output.c_str());
    std::wstring commandLine = L"\"" + TestProgramPath() + L"\" --gtest_filter=-*";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kProbeVariable, nullptr);
    if (!started)
        return "not started";
    const KernelHandle child(process.hProcess), thread(process.hThread);
    const ULONGLONG end = GetTickCount64() + 60000;
    while (GetTickCount64() < end) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 200, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0)
            return TempDir::ReadFile(output);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return "timed out";
}

// The clipboard is one for the whole session, as the input focus is, so the
// suite runs alone.
TEST(ClipboardInput, AnotherProgramReadsTheFilesBothWaysAndTheCut) {
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    {
        TempDir dir;
        const std::wstring file = dir.WriteFile(L"data file.txt", "12345");
        const std::wstring folder = dir / L"sub";
        CreateDirectoryW(folder.c_str(), nullptr);
        FoundItem a, b, gone;
        TestItem{dir.Path().c_str(), L"data file.txt", 5}.FillIn(a);
        TestItem{dir.Path().c_str(), L"sub", 0, FILE_ATTRIBUTE_DIRECTORY}.FillIn(b);
        TestItem{dir.Path().c_str(), L"gone.txt", 7}.FillIn(gone);
        const std::vector<const FoundItem*> items = {&a, &b, &gone};

        CVQDataObject* object = CreateFileDataObject(items);
        ASSERT_NE(object, nullptr);
        IdListVector lists;
        BuildIdListVector(lists, items);
        ASSERT_TRUE(PutShellIdListArray(object, lists));
        ASSERT_TRUE(WriteDataObjectDword(object, kPreferredDropEffect, DROPEFFECT_MOVE));
        ASSERT_EQ(OleSetClipboard(object), S_OK);

        std::string expected;
        for (const std::wstring& path : {file, folder, dir / L"gone.txt"})
            expected += "hdrop " + Utf8(path) + "\n";
        for (const std::wstring& path : {file, folder, dir / L"gone.txt"})
            expected += "ids " + Utf8(path) + "\n";
        expected += "effect 2\n";
        EXPECT_EQ(OtherProgramReads(dir, L"live.txt"), expected);

        // Flushed, as at the program's end: the data stays when the object goes.
        EXPECT_EQ(OleIsCurrentClipboard(object), S_OK);
        ASSERT_EQ(OleFlushClipboard(), S_OK);
        EXPECT_EQ(object->Release(), 0u) << "the clipboard let the object go";
        EXPECT_EQ(OtherProgramReads(dir, L"flushed.txt"), expected);
    }
    OleUninitialize();
}

} // namespace
