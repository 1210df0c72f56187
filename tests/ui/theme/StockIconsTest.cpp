#include "ui/theme/StockIcons.h"

#include "ui/core/Measure.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

constexpr int kAllKeys[] = {StockInfoLarge,     StockInfoSmall,    StockWarningLarge,
                            StockWarningSmall,  StockErrorLarge,   StockErrorSmall,
                            StockQuestionLarge, StockQuestionSmall};

bool IsSmall(int key) {
    return key % 2 == 0;
}

bool IsLiveIcon(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

// What the fake stock-icon queries were asked, and the icons they handed out.
std::vector<std::pair<SHSTOCKICONID, UINT>> g_asked;
std::vector<HICON> g_handedOut;

HRESULT WINAPI GivesIcons(SHSTOCKICONID id, UINT flags, SHSTOCKICONINFO* info) {
    g_asked.push_back({id, flags});
    const int size = (flags & SHGSI_SMALLICON) ? 16 : 32;
    const std::vector<BYTE> andMask(size * size / 8, 0xFF), xorMask(size * size / 8, 0);
    info->hIcon =
        CreateIcon(GetModuleHandleW(nullptr), size, size, 1, 1, andMask.data(), xorMask.data());
    g_handedOut.push_back(info->hIcon);
    return S_OK;
}
HRESULT WINAPI GivesNoIcon(SHSTOCKICONID, UINT, SHSTOCKICONINFO* info) {
    info->hIcon = nullptr;
    return S_OK;
}
HRESULT WINAPI Fails(SHSTOCKICONID, UINT, SHSTOCKICONINFO*) {
    return E_FAIL;
}

} // namespace

TEST(StockIcons, EveryKeyHasAnIconOfItsSize) {
    // Also where the shell gives no stock icon and User32.dll lacks the
    // resources: the standard system icons stand in.
    for (const StockIconInfoFn query : {StockIconInfoFn(nullptr), &GivesNoIcon, &Fails}) {
        mvsysicon icons;
        icons.SetStockIconQuery(query);
        for (const int key : kAllKeys) {
            const HICON icon = icons.GetIcon(key);
            ASSERT_TRUE(IsLiveIcon(icon)) << key;
            const int cx = GetSystemMetrics(IsSmall(key) ? SM_CXSMICON : SM_CXICON);
            const int cy = GetSystemMetrics(IsSmall(key) ? SM_CYSMICON : SM_CYICON);
            EXPECT_EQ(GetIconSize(icon), PackXY(cx, cy)) << key;
        }
        EXPECT_EQ(icons.GetIcon(0), nullptr);
        EXPECT_EQ(icons.GetIcon(11), nullptr);
        // Large and small of one kind differ; kinds differ from each other.
        EXPECT_NE(icons.GetIcon(StockInfoLarge), icons.GetIcon(StockInfoSmall));
        EXPECT_NE(icons.GetIcon(StockInfoLarge), icons.GetIcon(StockErrorLarge));
    }
}

TEST(StockIcons, StockIconsWinAndAreDestroyedSharedOnesStay) {
    g_asked.clear();
    g_handedOut.clear();
    HICON shared = nullptr;
    {
        mvsysicon fallback;
        fallback.SetStockIconQuery(&Fails);
        shared = fallback.GetIcon(StockWarningLarge);
    }
    EXPECT_TRUE(IsLiveIcon(shared)); // shared icons are never destroyed

    {
        mvsysicon icons;
        icons.SetStockIconQuery(&GivesIcons);
        std::map<int, HICON> got;
        for (const int key : kAllKeys)
            got[key] = icons.GetIcon(key);
        ASSERT_EQ(g_handedOut.size(), 8u); // asked once per key, on first use
        EXPECT_EQ(icons.GetIcon(StockInfoLarge), got[StockInfoLarge]);
        EXPECT_EQ(g_asked.size(), 8u);
        // Loading order 5, 6, 9, 10, 7, 8, 3, 4 with the small flag on the even keys.
        const std::vector<std::pair<SHSTOCKICONID, UINT>> expected = {
            {SIID_WARNING, SHGSI_ICON}, {SIID_WARNING, SHGSI_ICON | SHGSI_SMALLICON},
            {SIID_HELP, SHGSI_ICON},    {SIID_HELP, SHGSI_ICON | SHGSI_SMALLICON},
            {SIID_ERROR, SHGSI_ICON},   {SIID_ERROR, SHGSI_ICON | SHGSI_SMALLICON},
            {SIID_INFO, SHGSI_ICON},    {SIID_INFO, SHGSI_ICON | SHGSI_SMALLICON}};
        EXPECT_EQ(g_asked, expected);
        const int order[] = {5, 6, 9, 10, 7, 8, 3, 4};
        for (size_t i = 0; i < 8; ++i)
            EXPECT_EQ(got[order[i]], g_handedOut[i]) << order[i];
    }
    for (const HICON icon : g_handedOut)
        EXPECT_FALSE(IsLiveIcon(icon)); // the object's own icons went with it
    EXPECT_TRUE(IsLiveIcon(shared));
}

TEST(StockIcons, ApplicationIconsAreSetWithTheirSizes) {
    HICON owned = nullptr;
    const HICON shared = static_cast<HICON>(
        LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    ASSERT_NE(shared, nullptr);
    {
        mvsysicon icons;
        EXPECT_EQ(icons.GetIcon(AppIconLarge), nullptr);
        EXPECT_EQ(icons.GetSize(AppIconLarge), 0u);
        EXPECT_EQ(icons.GetSize(StockInfoSmall),
                  PackXY(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)));

        g_handedOut.clear();
        SHSTOCKICONINFO info{};
        GivesIcons(SIID_INFO, SHGSI_ICON, &info);
        owned = info.hIcon;
        icons.SetIcon(AppIconLarge, owned, true, 48, 48);
        icons.SetIcon(AppIconSmall, shared, false, 20, 20);
        EXPECT_EQ(icons.GetIcon(AppIconLarge), owned);
        EXPECT_EQ(icons.GetIcon(AppIconSmall), shared);
        EXPECT_EQ(icons.GetSize(AppIconLarge), PackXY(48, 48));
        EXPECT_EQ(icons.GetSize(AppIconSmall), PackXY(20, 20));
        // Replacing a shared icon leaves it alone.
        icons.SetIcon(AppIconSmall, nullptr, false, 20, 20);
        EXPECT_EQ(icons.GetIcon(AppIconSmall), nullptr);
        EXPECT_TRUE(IsLiveIcon(shared));
    }
    EXPECT_FALSE(IsLiveIcon(owned));
    EXPECT_TRUE(IsLiveIcon(shared));
}
