// The hex view tests' common ground: a hidden parent window with a panel of
// a known fixed-pitch font and size over a file of the test's bytes.
#pragma once

#include "hexview/VQHexViewPanel.h"
#include "foundation/Handles.h"
#include "support/TempDir.h"
#include "ui/DialogDriver.h"
#include "ui/ProbeWnd.h"

#include <gtest/gtest.h>
#include <winioctl.h>

#include <string>

// The program's dialogs and message boxes, for DialogDriver.
inline constexpr wchar_t kDialogClass[] = L"mvThemeWnd";
inline constexpr wchar_t kMessageBoxClass[] = L"mvMsgBox00";

// Presses a button of a dialog (posted, as a click would arrive).
inline void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class HexViewTest : public ::testing::Test {
protected:
    static constexpr int kRowHeight = 16;

    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(L"parent", nullptr, 0, 0, 0, 900, 600,
                                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, L""));
        ASSERT_TRUE(m_panel.CreatePanel(m_parent.Handle()));
        m_font.Assign(CreateFontW(-kRowHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                  FIXED_PITCH | FF_MODERN, L"Courier New"));
        SendMessageW(m_panel.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), 0);
        ASSERT_GT(m_panel.RowHeight(), 0);
        ASSERT_GT(m_panel.CharWidth(), 0);
        SetVisibleRows(5);
    }
    void TearDown() override {
        m_panel.CloseFile(nullptr, true);
        m_panel.Detach(true);
        m_parent.Detach(true);
    }

    // Client height of exactly `rows` rows, 700 pixels wide (scroll bar
    // aside).
    void SetVisibleRows(int rows) {
        RECT r{0, 0, 700, rows * m_panel.RowHeight()};
        AdjustWindowRectEx(&r, GetWindowLongW(m_panel.Handle(), GWL_STYLE) & ~WS_VSCROLL, FALSE, 0);
        SetWindowPos(m_panel.Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Opens a file of these bytes.
    void Open(const std::string& bytes, int64_t offset = -1, int32_t count = 0) {
        m_path = m_dir.WriteFile(L"data.bin", bytes);
        ASSERT_TRUE(m_panel.OpenFile(m_parent.Handle(), m_path.c_str(), offset, count));
    }
    // Opens a sparse file of `size` zero bytes (written by extending it).
    void OpenSparse(int64_t size) {
        m_path = m_dir / (L"sparse" + std::to_wstring(size) + L".bin"); // one may still be open
        {
            FileHandle file(CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(file);
            DWORD ignored = 0;
            DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored,
                            nullptr);
            LARGE_INTEGER end{};
            end.QuadPart = size;
            ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
            ASSERT_TRUE(SetEndOfFile(file.Get()));
        }
        ASSERT_TRUE(m_panel.OpenFile(m_parent.Handle(), m_path.c_str(), -1, 0));
    }

    void Key(UINT key, bool shift = false, bool ctrl = false) { m_panel.OnKey(key, shift, ctrl); }
    void Select(int64_t anchor, int64_t caret) {
        m_panel.m_anchor = anchor;
        m_panel.m_caret = caret;
    }
    // A client point in the middle of a byte's first hex digit.
    POINT HexPoint(int64_t offset) {
        RECT cell{};
        EXPECT_TRUE(m_panel.ByteRect(offset, cell, 0));
        return {cell.left + m_panel.CharWidth() / 2, (cell.top + cell.bottom) / 2};
    }
    LRESULT Mouse(UINT message, POINT at, WPARAM keys = 0) {
        return SendMessageW(m_panel.Handle(), message, keys, MAKELPARAM(at.x, at.y));
    }

    TempDir m_dir;
    std::wstring m_path;
    ProbeWnd m_parent;
    CVQHexViewPanel m_panel;
    GdiHandle<HFONT> m_font;
};
