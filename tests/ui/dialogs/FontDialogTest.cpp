#include "ui/dialogs/FontDialog.h"

#include "DialogDriver.h"
#include "foundation/Handles.h"
#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FontDialogTest : public ::testing::Test {
protected:
    WindowHandle owner{CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                       120, 80, 700, 500, nullptr, nullptr, nullptr, nullptr)};
};

// The last face the display offers, so that the dialog's first face (its
// choice for an unknown name) cannot pass for it.
std::wstring LastFace() {
    std::wstring face;
    LOGFONTW any = {};
    any.lfCharSet = DEFAULT_CHARSET;
    ScreenDC dc(GetDC(nullptr));
    EnumFontFamiliesExW(
        dc.Get(), &any,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
            if (font->lfFaceName[0] != L'@')
                *reinterpret_cast<std::wstring*>(data) = font->lfFaceName;
            return 1;
        },
        reinterpret_cast<LPARAM>(&face), 0);
    return face;
}

TEST_F(FontDialogTest, ConfirmedDialogWritesTheFontBackCentredOverItsOwner) {
    ASSERT_TRUE(owner);
    const std::wstring face = LastFace();
    ASSERT_FALSE(face.empty());
    LOGFONTW font = {};
    font.lfHeight = -16;
    font.lfWeight = FW_NORMAL;
    wcscpy_s(font.lfFaceName, face.c_str());
    RECT placed = {};
    HWND child = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                 owner.Get(), nullptr, nullptr, nullptr);
    DialogDriver driver([&](HWND d) {
        GetWindowRect(d, &placed);
        TypeAndConfirm(d, L"");
    });
    ASSERT_TRUE(
        ChooseFontDialog(&font, 8, 72, child, 0)); // a child stands for its top-level window
    driver.Join();
    EXPECT_EQ(face, font.lfFaceName);
    EXPECT_NE(0, font.lfHeight);
    RECT ownerRect = {};
    GetWindowRect(owner.Get(), &ownerRect);
    EXPECT_EQ(ownerRect.left + (ownerRect.right - ownerRect.left) / 2 -
                  (placed.right - placed.left) / 2,
              placed.left);
    EXPECT_EQ(ownerRect.top + (ownerRect.bottom - ownerRect.top) / 2 -
                  (placed.bottom - placed.top) / 2,
              placed.top);
    // The hook went with the dialog: a later window keeps its own place.
    WindowHandle later{CreateWindowExW(0, L"Static", L"", WS_POPUP, 3, 4, 50, 50, owner.Get(),
                                       nullptr, nullptr, nullptr)};
    RECT laterRect = {};
    GetWindowRect(later.Get(), &laterRect);
    EXPECT_EQ(3, laterRect.left);
}

TEST_F(FontDialogTest, CancelledDialogLeavesTheFontAlone) {
    LOGFONTW font = {};
    font.lfHeight = -13;
    wcscpy_s(font.lfFaceName, L"Tahoma");
    LOGFONTW before = font;
    DialogDriver driver([](HWND d) { Cancel(d); });
    EXPECT_FALSE(ChooseFontDialog(&font, 0, 0, owner.Get(), 0));
    driver.Join();
    EXPECT_NE(nullptr, driver.Dialog());
    EXPECT_EQ(0, memcmp(&before, &font, sizeof(font)));
}

} // namespace
