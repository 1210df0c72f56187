#include "panel/VQSizeEdit.h"

#include "PanelFixture.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

namespace {

std::wstring Text(HWND hwnd) {
    wchar_t buffer[128] = {};
    GetWindowTextW(hwnd, buffer, 128);
    return buffer;
}

void Type(HWND hwnd, const wchar_t* text) {
    for (const wchar_t* p = text; *p != 0; ++p)
        SendMessageW(hwnd, WM_CHAR, *p, 1);
}

bool PutOnClipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner))
        return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    return put;
}

} // namespace

// The separator is the runtime locale's when the first edit is made: the
// test program runs in the "C" locale, whose separator is ".".
TEST(VQSizeEdit, TypingKeepsDigitsAndOneSeparatorUnlessTheSeparatorIsTypedOver) {
    setlocale(LC_ALL, "C");
    PanelWindow w;
    HWND edit = w.panel.m_sizeGroup.m_size1.Handle();
    ASSERT_EQ(SizeDecimalSeparator(), L'.');
    SetWindowTextW(edit, L"");
    Type(edit, L"1a2.5.x7");
    EXPECT_EQ(Text(edit), L"12.57");
    SendMessageW(edit, EM_SETSEL, 2, 3); // the separator selected
    Type(edit, L".");
    EXPECT_EQ(Text(edit), L"12.57");
    SendMessageW(edit, EM_SETSEL, 0, 1); // a digit selected
    Type(edit, L".");
    EXPECT_EQ(Text(edit), L"12.57");
    EXPECT_EQ(w.panel.m_sizeGroup.m_size1.GetValue(), 12.57);
}

TEST(VQSizeEdit, SetAndPastedTextsAreCleanedAndTheTextStaysShort) {
    setlocale(LC_ALL, "C");
    PanelWindow w;
    HWND edit = w.panel.m_sizeGroup.m_size1.Handle();
    SetWindowTextW(edit, L"a1.2b.3");
    EXPECT_EQ(Text(edit), L"1.23");
    SetWindowTextW(edit, L"");
    ASSERT_TRUE(PutOnClipboard(w.host.Handle(), L"4x5.6.7"));
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(Text(edit), L"45.67");
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 5u);
    EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 32);
    EXPECT_TRUE(w.panel.m_sizeGroup.m_size1.SetValue(1.5));
    EXPECT_EQ(Text(edit), L"1.5");
    EXPECT_TRUE(w.panel.m_sizeGroup.m_size1.SetValue(2048));
    EXPECT_EQ(Text(edit), L"2048");
}
