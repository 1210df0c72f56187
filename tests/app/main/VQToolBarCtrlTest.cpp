#include "app/main/VQToolBarCtrl.h"

#include "MainWndFixture.h"
#include "support/ScopedSetting.h"
#include "ui/controls/mvImage.h"
#include "ui/theme/GdiHolders.h"

#include <string>
#include <vector>

namespace {

// An icon strip of 18 cells of `cell` pixels.
void MakeStrip(mvimage& strip, int cell) {
    mvGdiBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateDIB(18 * cell, cell, nullptr));
    std::fill_n(static_cast<std::uint32_t*>(bitmap.Bits()), 18 * cell * cell, 0xFF336699u);
    ASSERT_TRUE(strip.FromHBitmap(bitmap.Get()));
}

class VQToolBarCtrlTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        m_iconSize = Settings().ToolbarIconSize;
        MakeStrip(m_strip24, 24);
        MakeStrip(m_strip32, 32);
    }
    void TearDown() override {
        Settings().ToolbarIconSize = m_iconSize;
        MainWndFixture::TearDown();
    }
    HWND Bar() const { return toolBar.m_toolBar.Handle(); }

    // "command:image:state-letters" of each button, "-" for a separator;
    // letters e enabled, c check group.
    std::vector<std::string> Buttons() {
        std::vector<std::string> out;
        const int count = static_cast<int>(SendMessageW(Bar(), TB_BUTTONCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            TBBUTTON button{};
            SendMessageW(Bar(), TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
            if (button.fsStyle & BTNS_SEP) {
                out.push_back("-");
                continue;
            }
            std::string text = std::to_string(button.idCommand) + ":" +
                               std::to_string(button.iBitmap) + ":";
            if (button.fsState & TBSTATE_ENABLED)
                text += "e";
            if ((button.fsStyle & BTNS_CHECKGROUP) == BTNS_CHECKGROUP)
                text += "c";
            out.push_back(text);
        }
        return out;
    }
    std::wstring Text(int command) {
        wchar_t text[64] = {};
        TBBUTTONINFOW info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_TEXT;
        info.pszText = text;
        info.cchText = 64;
        SendMessageW(Bar(), TB_GETBUTTONINFOW, command, reinterpret_cast<LPARAM>(&info));
        return text;
    }

    CVQToolBarCtrl toolBar;
    mvimage m_strip24, m_strip32;

private:
    std::uint8_t m_iconSize = 0;
};

TEST(ToolbarStripTest, SettingOrSmallIconSizeChoosesTheStrip) {
    struct Case {
        int setting, smallIcons, strip;
    };
    for (const Case c : {Case{24, 16, 24}, Case{25, 16, 32}, Case{32, 16, 32}, Case{1, 32, 24},
                         Case{0, 16, 24}, Case{0, 20, 32}, Case{0, 24, 32}, Case{0, 8, 24}}) {
        EXPECT_EQ(c.strip, ChooseToolbarStrip(c.setting, c.smallIcons))
            << c.setting << " / " << c.smallIcons;
    }
}

TEST_F(VQToolBarCtrlTest, ButtonsInOrderWithImagesAndStates) {
    Settings().ToolbarIconSize = 24;
    ASSERT_TRUE(toolBar.Create(parent.Handle(), &m_strip24, &m_strip32));
    EXPECT_EQ((std::vector<std::string>{"10001:0:e", "-", "10027:2:e", "10026:1:", "10016:3:", "-",
                                        "10041:5:ec", "10040:6:ec", "10042:11:ec", "10037:7:ec",
                                        "10038:8:ec", "10039:9:ec", "-", "1058:13:e"}),
              Buttons());
    EXPECT_EQ(kToolBarRebarId, GetDlgCtrlID(toolBar.Handle()));
    EXPECT_EQ(1, SendMessageW(toolBar.Handle(), RB_GETBANDCOUNT, 0, 0));
    EXPECT_EQ(toolBar.Handle(), GetParent(Bar()));
    EXPECT_EQ(-1, toolBar.OpenButtonImage);
    // 18 strip cells and the spare open icon after them.
    EXPECT_EQ(18, toolBar.SpareOpenImage);
}

TEST_F(VQToolBarCtrlTest, TheSettingPicksTheStripAndItsCellSize) {
    for (const auto& [setting, size] : {std::pair{24, 24}, std::pair{32, 32}}) {
        CVQToolBarCtrl bar;
        Settings().ToolbarIconSize = static_cast<std::uint8_t>(setting);
        ASSERT_TRUE(bar.Create(parent.Handle(), &m_strip24, &m_strip32));
        EXPECT_EQ(size, bar.ButtonSize);
        int cx = 0, cy = 0;
        ASSERT_TRUE(ImageList_GetIconSize(bar.m_toolBar.m_normal.Get(), &cx, &cy));
        EXPECT_EQ(size, cx);
        EXPECT_EQ(19, ImageList_GetImageCount(bar.m_toolBar.m_normal.Get()));
        EXPECT_EQ(19, ImageList_GetImageCount(bar.m_toolBar.m_disabled.Get()));
        EXPECT_EQ(19, ImageList_GetImageCount(bar.m_toolBar.m_hot.Get()));
    }
}

TEST_F(VQToolBarCtrlTest, WithoutAStripTheButtonsStillCome) {
    ASSERT_TRUE(toolBar.Create(parent.Handle(), nullptr, nullptr));
    EXPECT_EQ(14u, Buttons().size());
    EXPECT_EQ(-1, toolBar.SpareOpenImage);
}

TEST_F(VQToolBarCtrlTest, TextsFollowTheLanguage) {
    ASSERT_TRUE(toolBar.Create(parent.Handle(), &m_strip24, &m_strip32));
    EXPECT_EQ(L"&Open\tCtrl+O", Text(10001));
    EXPECT_EQ(L"Tiles", Text(10042));
    EXPECT_EQ(L"Help", Text(1058));
    ASSERT_TRUE(Language().SetLanguageFile(m_dir.WriteFile(
        L"other.ini", "\xEF\xBB\xBF[menu_file]\nopen = Ouvrir\ndelete = Supprimer\n"
                      "[menu_edit]\ncopy = Copier\ncut = Couper\n[menu_view]\nlv_details = Details\n"
                      "lv_list = Liste\nlv_tiles = Mosaique\nlv_smallicon = Petites\n"
                      "lv_icon = Icones\nlv_largeicon = Grandes\n[menu_help]\nhelp = Aide\n")));
    toolBar.UpdateTexts();
    const std::vector<std::pair<int, std::wstring>> expected = {
        {10001, L"Ouvrir"}, {10027, L"Copier"},  {10026, L"Couper"}, {10016, L"Supprimer"},
        {10041, L"Details"}, {10040, L"Liste"},  {10042, L"Mosaique"}, {10037, L"Petites"},
        {10038, L"Icones"}, {10039, L"Grandes"}, {1058, L"Aide"}};
    for (const auto& [command, text] : expected)
        EXPECT_EQ(text, Text(command)) << command;
}

} // namespace
