#include "app/main/VQListCtrl.h"

#include "MainWndFixture.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/WordLists.h"
#include "search/IconLoader.h"
#include "search/ShellTypeCache.h"
#include "support/ScopedSetting.h"
#include "ui/controls/ItemImage.h"
#include "ui/controls/ListColumns.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// 2021-03-04 05:06:07 UTC as a file time.
constexpr std::uint64_t kTime = 132592215670000000ULL;

class VQListCtrlTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        m_mode = Settings().LisViewMode.Get();
        m_sortColumn = Settings().SortColumn.Get();
        m_sortDescending = Settings().SortDescending.Get();
        m_groupColumn = Settings().GroupColumn.Get();
        m_sizeFormat = Settings().FileSizeFormat;
        m_statusLimit = Settings().MaxItemStatusShowSize;
        Settings().Columns = ColumnSettings();
        Settings().LisViewMode.Set(ViewDetails);
        ASSERT_TRUE(list.Create(parent.Handle()));
        SetWindowPos(list.Handle(), nullptr, 0, 0, 680, 400, SWP_NOZORDER);
    }
    void TearDown() override {
        list.Detach(true);
        Settings().LisViewMode.Set(m_mode);
        Settings().SortColumn.Set(m_sortColumn);
        Settings().SortDescending.Set(m_sortDescending);
        Settings().GroupColumn.Set(m_groupColumn);
        Settings().FileSizeFormat = m_sizeFormat;
        Settings().MaxItemStatusShowSize = m_statusLimit;
        MainWndFixture::TearDown();
    }

    // Shows the results of the global job.
    void Show() { list.SetItemCount(ResultList::Count()); }

    std::wstring Cell(int row, int position) {
        wchar_t buffer[260] = {};
        LVITEMW item{};
        item.iSubItem = position;
        item.pszText = buffer;
        item.cchTextMax = 260;
        SendMessageW(list.Handle(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    std::vector<std::wstring> Names() {
        std::vector<std::wstring> names;
        const int count = static_cast<int>(SendMessageW(list.Handle(), LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row)
            names.push_back(Cell(row, 0));
        return names;
    }
    void Select(std::initializer_list<int> rows, int focus = -1) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        for (int row : rows) {
            state.state = LVIS_SELECTED | (row == focus ? LVIS_FOCUSED : 0);
            SendMessageW(list.Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        }
    }
    std::vector<std::wstring> SelectedNames(int max, std::int64_t* size) {
        std::vector<FoundItem*> items;
        *size = list.GetSelectedItems(items, max);
        std::vector<std::wstring> names;
        for (FoundItem* item : items)
            names.push_back(item->name.str());
        return names;
    }
    void SendNotify(NMHDR& header) {
        header.hwndFrom = list.Handle();
        header.idFrom = kResultsListId;
        SendMessageW(parent.Handle(), WM_NOTIFY, kResultsListId, reinterpret_cast<LPARAM>(&header));
    }

    CVQListCtrl list;

private:
    std::uint8_t m_mode = 0, m_sortColumn = 0, m_groupColumn = 0, m_sizeFormat = 0;
    bool m_sortDescending = false;
    std::uint32_t m_statusLimit = 0;
};

TEST_F(VQListCtrlTest, EveryColumnShowsItsTextByIdWhateverItsPosition) {
    AddItems({{.folder = L"C:\\data", .name = L"report.txt", .size = 123456,
               .attr = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, .modified = kTime,
               .created = kTime - 864000000000ULL, .accessed = kTime + 864000000000ULL}});
    Show();
    FoundItem& item = *ResultList::ItemAt(0);
    const std::vector<std::wstring> expected = {
        L"report.txt",
        item.Text(ItemText::SizeKb).str(),
        GlobalShellTypeCache().GetTypeName(item.ext, item.attr).str(),
        item.Text(ItemText::Modified).str(),
        L"C:\\data",
        item.Text(ItemText::Created).str(),
        item.Text(ItemText::Accessed).str(),
        item.Text(ItemText::Attributes).str(),
        L".txt"};
    for (int id = 0; id < 9; ++id)
        EXPECT_EQ(expected[id], Cell(0, id)) << "column " << id;
    EXPECT_NE(expected[3], expected[5]);

    // With the type column hidden, position 2 shows the modified time and
    // the last position the extension.
    Settings().Columns.Records[2].Hidden = 1;
    std::vector<mvstring> titles;
    GetColumnTitles(titles, false);
    ASSERT_TRUE(ApplyToList(Settings().Columns, list.Handle(), titles));
    EXPECT_EQ(expected[3], Cell(0, 2));
    EXPECT_EQ(L".txt", Cell(0, 7));
}

TEST_F(VQListCtrlTest, SizeTextFollowsTheFormatSettingAndTheView) {
    AddItems({{.name = L"big.bin", .size = 5000000}});
    FoundItem& item = *ResultList::ItemAt(0);
    const std::wstring kb = item.Text(ItemText::SizeKb).str();
    const std::wstring shortForm = item.Text(ItemText::Size).str();
    ASSERT_NE(kb, shortForm);
    struct Case {
        std::uint8_t format;
        bool tile;
        bool shortForm;
    };
    for (const Case c : {Case{0, false, false}, Case{0, true, true}, Case{1, false, true},
                         Case{1, true, true}, Case{2, false, false}, Case{2, true, false}}) {
        Settings().FileSizeFormat = c.format;
        mvstring text;
        GetCellText(item, 1, c.tile, text);
        EXPECT_EQ(c.shortForm ? shortForm : kb, text.str())
            << "format " << int(c.format) << (c.tile ? " tile" : " details");
    }
}

TEST_F(VQListCtrlTest, TileLinesReplaceTypeAndSizeWhereTheShellGaveThem) {
    AddItems({{.folder = L"C:\\tiles", .name = L"lined.doc", .size = 2048},
              {.folder = L"C:\\tiles", .name = L"plain.doc", .size = 2048}});
    GlobalShellTypeCache().StoreTileLines(L"C:\\tiles\\lined.doc", {L"Letter", L"12 pages"});
    FoundItem& lined = *ResultList::ItemAt(0);
    FoundItem& plain = *ResultList::ItemAt(1);
    mvstring text;
    GetCellText(lined, 2, true, text);
    EXPECT_EQ(L"Letter", text.str());
    GetCellText(lined, 1, true, text);
    EXPECT_EQ(L"12 pages", text.str());
    GetCellText(lined, 1, false, text); // other views keep the size
    EXPECT_EQ(lined.Text(Settings().FileSizeFormat == 1 ? ItemText::Size : ItemText::SizeKb).str(),
              text.str());
    GetCellText(plain, 1, true, text);
    EXPECT_EQ(plain.Text(Settings().FileSizeFormat == 2 ? ItemText::SizeKb : ItemText::Size).str(),
              text.str());
    GlobalShellTypeCache().ClearFileCaches();
}

TEST_F(VQListCtrlTest, AnUnloadedIconIsAskedOnceAndLoadedOffTheWindow) {
    auto items = AddItems({{.folder = L"C:\\icons", .name = L"picture.png"}});
    Show();
    ASSERT_EQ(-1, items[0]->icon.load());
    LVITEMW cell{};
    cell.mask = LVIF_IMAGE;
    cell.iImage = -5;
    ASSERT_TRUE(SendMessageW(list.Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&cell)));
    EXPECT_EQ(0, cell.iImage);
    for (int i = 0; i < 100 && items[0]->icon.load() < 0; ++i)
        Sleep(50);
    EXPECT_GE(items[0]->icon.load(), 0);
    EXPECT_EQ(0u, GlobalIconLoadQueue().QueuedCount());
    StopIconLoaderThread();
}

TEST_F(VQListCtrlTest, ViewModesSwitchTheListAndTheSetting) {
    struct Case {
        int mode;
        DWORD view;
    };
    for (const Case c : {Case{ViewSmallIcons, LV_VIEW_SMALLICON}, Case{ViewIcons, LV_VIEW_ICON},
                         Case{ViewLargeIcons, LV_VIEW_ICON}, Case{ViewList, LV_VIEW_LIST},
                         Case{ViewDetails, LV_VIEW_DETAILS}}) {
        EXPECT_TRUE(list.SetViewMode(c.mode, false)) << c.mode;
        EXPECT_EQ(c.view, static_cast<DWORD>(SendMessageW(list.Handle(), LVM_GETVIEW, 0, 0)))
            << c.mode;
        EXPECT_EQ(c.mode, Settings().LisViewMode.Get());
    }
    // The list column gets the configured width in the list view.
    ASSERT_TRUE(list.SetViewMode(ViewList, false));
    EXPECT_EQ(Settings().ListModeColumnWidth,
              SendMessageW(list.Handle(), LVM_GETCOLUMNWIDTH, 0, 0));

    // Mode 6 passes the setting's range but no list shows it.
    ASSERT_TRUE(list.SetViewMode(ViewSmallIcons, false));
    EXPECT_FALSE(list.SetViewMode(6, false));
    EXPECT_EQ(ViewSmallIcons, Settings().LisViewMode.Get());

    // The tile view: a list view that refuses it leaves the mode as it was.
    const bool tiles = list.SetViewMode(ViewTiles, false);
    if (tiles) {
        EXPECT_EQ(static_cast<DWORD>(LV_VIEW_TILE),
                  static_cast<DWORD>(SendMessageW(list.Handle(), LVM_GETVIEW, 0, 0)));
        EXPECT_EQ(ViewTiles, Settings().LisViewMode.Get());
    } else {
        EXPECT_EQ(ViewSmallIcons, Settings().LisViewMode.Get());
        EXPECT_EQ(static_cast<DWORD>(LV_VIEW_SMALLICON),
                  static_cast<DWORD>(SendMessageW(list.Handle(), LVM_GETVIEW, 0, 0)));
    }
}

TEST_F(VQListCtrlTest, SortingKeepsTheOneSelectedItemSelectedAndTheArrowFollows) {
    AddItems({{.name = L"b.txt", .size = 30}, {.name = L"c.txt", .size = 10},
              {.name = L"a.txt", .size = 20}});
    Show();
    Select({1}, 1); // c.txt
    Settings().SortColumn.Set(ColumnSize);
    Settings().SortDescending.Set(false);
    list.SortItems(true);
    EXPECT_EQ((std::vector<std::wstring>{L"c.txt", L"a.txt", L"b.txt"}), Names());
    ASSERT_NE(nullptr, list.GetFocusedItem());
    EXPECT_EQ(L"c.txt", list.GetFocusedItem()->name.str());
    EXPECT_EQ(0, SendMessageW(list.Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));

    Settings().SortColumn.Set(ColumnName);
    Settings().SortDescending.Set(true);
    list.SortItems(true);
    EXPECT_EQ((std::vector<std::wstring>{L"c.txt", L"b.txt", L"a.txt"}), Names());
    const auto header = reinterpret_cast<HWND>(SendMessageW(list.Handle(), LVM_GETHEADER, 0, 0));
    HDITEMW first{};
    first.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&first));
    EXPECT_TRUE(first.fmt & HDF_SORTDOWN);
}

TEST_F(VQListCtrlTest, SelectionComesAnchorFirstWithItsSizeOrMinusOne) {
    AddItems({{.name = L"f0", .size = 1}, {.name = L"f1", .size = 10}, {.name = L"f2", .size = 100},
              {.name = L"dir", .attr = FILE_ATTRIBUTE_DIRECTORY}, {.name = L"f4", .size = 1000}});
    Show();
    std::int64_t size = 0;
    EXPECT_TRUE(SelectedNames(0, &size).empty());
    EXPECT_EQ(-1, size);

    struct Case {
        std::initializer_list<int> rows;
        int focus;
        int max;
        std::uint32_t limit;
        std::vector<std::wstring> names;
        std::int64_t size;
    };
    const Case cases[] = {
        // the focused item first, then those after it, then those before
        {{0, 1, 2, 4}, 2, 0, 0, {L"f2", L"f4", L"f0", L"f1"}, 1111},
        // fewer taken than selected: the size still counts them all
        {{0, 1, 2}, 1, 1, 0, {L"f1"}, 111},
        {{0, 3, 4}, 0, 0, 0, {L"f0", L"dir", L"f4"}, -1},
        {{0, 1, 2}, 0, 1, 2, {L"f0"}, -1},
        {{0, 1, 2}, 0, 1, 0, {L"f0"}, 111},
        // every row selected, the anchor inside
        {{0, 1, 2, 3, 4}, 3, 0, 0, {L"dir", L"f4", L"f0", L"f1", L"f2"}, -1},
        {{0, 1, 2, 3, 4}, 4, 2, 0, {L"f4", L"f0"}, -1},
    };
    for (const Case& c : cases) {
        Settings().MaxItemStatusShowSize = c.limit;
        Select(c.rows, c.focus);
        EXPECT_EQ(c.names, SelectedNames(c.max, &size));
        EXPECT_EQ(c.size, size);
    }
}

TEST_F(VQListCtrlTest, SelectAllAndInvertTurnTheSelectionRound) {
    AddItems({{.name = L"a"}, {.name = L"b"}, {.name = L"c"}, {.name = L"d"}, {.name = L"e"}});
    Show();
    auto selected = [&] {
        std::vector<int> rows;
        for (int row = -1;
             (row = static_cast<int>(SendMessageW(list.Handle(), LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;)
            rows.push_back(row);
        return rows;
    };
    for (const auto& [rows, inverted] :
         std::vector<std::pair<std::vector<int>, std::vector<int>>>{
             {{}, {0, 1, 2, 3, 4}}, {{1}, {0, 2, 3, 4}}, {{0, 1, 3}, {2, 4}}, {{0, 1, 2, 3, 4}, {}}}) {
        Select({});
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED;
        for (int row : rows)
            SendMessageW(list.Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        list.InvertSelection();
        EXPECT_EQ(inverted, selected());
    }
    list.SelectAll();
    EXPECT_EQ(5, SendMessageW(list.Handle(), LVM_GETSELECTEDCOUNT, 0, 0));
    // The whole selection changes with full-row selection off for the
    // moment; the list has it back afterwards.
    EXPECT_TRUE(SendMessageW(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
                LVS_EX_FULLROWSELECT);
    // A sort keeps a single selected item only: a whole selection goes.
    Settings().SortColumn.Set(ColumnName);
    Settings().SortDescending.Set(true);
    list.SortItems(true);
    EXPECT_TRUE(selected().empty());
    EXPECT_TRUE(SendMessageW(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
                LVS_EX_FULLROWSELECT);
}

// Counts the notices of selection changes that its parent is not told to
// let pass.
class NoticeCountingList : public CVQListCtrl {
public:
    bool OnReflectNotify(NMHDR* header, LRESULT* result) override {
        if (header->code == LVN_ITEMCHANGED && !ChangingManyRows())
            ++notices;
        return CVQListCtrl::OnReflectNotify(header, result);
    }
    int notices = 0;
};

TEST_F(VQListCtrlTest, InvertMatchesTurningEachRowRoundOnLongerSelections) {
    // Selections of runs at both ends, single rows, every tenth row, one
    // row, all but one: the fast path starts from all or none and changes
    // the rest from the last row; the general one turns each row round.
    // Either way the parent hears of the change once.
    constexpr int kRows = 240;
    for (int i = 0; i < kRows; ++i)
        AddItems({{.name = L"f"}});
    NoticeCountingList counted;
    ASSERT_TRUE(counted.Create(parent.Handle()));
    counted.SetItemCount(kRows);
    const HWND hwnd = counted.Handle();
    auto selected = [&] {
        std::vector<bool> rows(kRows);
        for (int row = -1; (row = static_cast<int>(SendMessageW(hwnd, LVM_GETNEXTITEM, row,
                                                                 LVNI_SELECTED))) >= 0;)
            rows[static_cast<size_t>(row)] = true;
        return rows;
    };
    std::uint64_t seed = 99;
    auto random = [&seed] {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return (seed >> 33) % 3 == 0;
    };
    const std::vector<std::pair<const char*, std::function<bool(int)>>> patterns = {
        {"none", [](int) { return false; }},
        {"all", [](int) { return true; }},
        {"every tenth", [](int i) { return i % 10 == 0; }},
        {"all but every tenth", [](int i) { return i % 10 != 0; }},
        {"runs at both ends", [](int i) { return i < 30 || i >= kRows - 50 || (i >= 100 && i < 107); }},
        {"inside runs", [](int i) { return (i >= 1 && i < 90) || (i >= 150 && i < kRows - 1); }},
        {"the last row", [](int i) { return i == kRows - 1; }},
        {"all but the first", [](int i) { return i != 0; }},
        {"a third at random", [&](int) { return random(); }},
    };
    for (const auto& [what, pick] : patterns) {
        std::vector<bool> before(kRows), expected(kRows);
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        for (int i = 0; i < kRows; ++i) {
            before[static_cast<size_t>(i)] = pick(i);
            expected[static_cast<size_t>(i)] = !before[static_cast<size_t>(i)];
            state.state = before[static_cast<size_t>(i)] ? LVIS_SELECTED : 0;
            SendMessageW(hwnd, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
        }
        ASSERT_EQ(before, selected()) << what;
        counted.notices = 0;
        counted.InvertSelection();
        EXPECT_EQ(expected, selected()) << what;
        EXPECT_EQ(1, counted.notices) << what;
        EXPECT_FALSE(counted.ChangingManyRows()) << what;
        const auto expectedCount = std::count(expected.begin(), expected.end(), true);
        EXPECT_EQ(expectedCount, SendMessageW(hwnd, LVM_GETSELECTEDCOUNT, 0, 0)) << what;
        counted.InvertSelection();
        EXPECT_EQ(before, selected()) << what << ", inverted twice";
    }
    counted.Detach(true);
}

TEST_F(VQListCtrlTest, HeaderClickAndActivationPostCommands) {
    AddItems({{.name = L"x"}});
    Show();
    Settings().Columns.Records[1].Hidden = 1;
    std::vector<mvstring> titles;
    GetColumnTitles(titles, false);
    ASSERT_TRUE(ApplyToList(Settings().Columns, list.Handle(), titles));
    NMLISTVIEW click{};
    click.hdr.code = LVN_COLUMNCLICK;
    click.iSubItem = 1; // the type column now
    SendNotify(click.hdr);
    NMITEMACTIVATE activate{};
    activate.hdr.code = LVN_ITEMACTIVATE;
    SendNotify(activate.hdr);
    EXPECT_EQ((std::vector<WPARAM>{kCommandSortFirst + 2, MAKEWPARAM(kCommandOpen, 0xFFFF)}),
              TakeCommands());
}

TEST_F(VQListCtrlTest, TypeAheadFindsNamesFromTheStartWrappingWhenAsked) {
    AddItems({{.name = L"Alpha.txt"}, {.name = L"beta.txt"}, {.name = L"al"}, {.name = L"Gamma"}});
    Show();
    struct Case {
        const wchar_t* text;
        UINT flags;
        int start;
        int found;
    };
    const Case cases[] = {
        {L"ALP", LVFI_PARTIAL, 0, 0},          {L"al", LVFI_PARTIAL, 1, 2},
        {L"al", LVFI_STRING, 0, 2},            {L"alp", LVFI_PARTIAL, 3, -1},
        {L"alp", LVFI_PARTIAL | LVFI_WRAP, 3, 0}, {L"gamma", LVFI_STRING, 9, -1},
        {L"gam", LVFI_PARTIAL, 9, 3},          {L"alphabet", LVFI_PARTIAL, 0, -1},
        {L"beta.txt", LVFI_PARAM, 0, -1},
    };
    for (const Case& c : cases) {
        LVFINDINFOW find{};
        find.flags = c.flags;
        find.psz = c.text;
        int from = c.start;
        const int found = FindByName(find, from, ResultList::Count(), [](int i) -> const mvstring* {
            const FoundItem* item = ResultList::ItemAt(i);
            return item != nullptr ? &item->name : nullptr;
        });
        EXPECT_EQ(c.found, found) << std::wstring(c.text).size() << " from " << c.start;
    }
    // Through the list view itself.
    LVFINDINFOW find{};
    find.flags = LVFI_PARTIAL | LVFI_WRAP;
    find.psz = L"gam";
    EXPECT_EQ(3, SendMessageW(list.Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(&find)));
}

TEST_F(VQListCtrlTest, InfoTipAppendsTheCachedTextOnly) {
    AddItems({{.folder = L"C:\\tips", .name = L"with.txt"}, {.folder = L"C:\\tips", .name = L"none.txt"}});
    Show();
    GlobalShellTypeCache().StoreInfoTip(L"C:\\tips\\with.txt", L"Type: Text");
    struct Case {
        int row;
        const wchar_t* before;
        const wchar_t* after;
    };
    for (const Case c : {Case{0, L"with.txt", L"with.txt\r\nType: Text"}, Case{0, L"", L"Type: Text"},
                         Case{1, L"none.txt", L"none.txt"}}) {
        wchar_t buffer[64] = {};
        wcscpy_s(buffer, c.before);
        NMLVGETINFOTIPW tip{};
        tip.hdr.code = LVN_GETINFOTIPW;
        tip.pszText = buffer;
        tip.cchTextMax = 64;
        tip.iItem = c.row;
        SendNotify(tip.hdr);
        EXPECT_EQ(std::wstring(c.after), buffer);
    }
    GlobalShellTypeCache().ClearFileCaches();
}

TEST_F(VQListCtrlTest, GroupsAreBuiltByTheGroupColumnOnlyWhenNoJobRuns) {
    AddItems({{.name = L"a.txt"}, {.name = L"b.doc"}, {.name = L"c.txt"}, {.name = L"d"}});
    Show();
    Settings().GroupColumn.Set(ColumnNone);
    EXPECT_TRUE(list.BuildGroups(false));
    EXPECT_TRUE(list.m_callback.groups.groups.empty());
    EXPECT_EQ(0, SendMessageW(list.Handle(), LVM_GETGROUPCOUNT, 0, 0));

    Settings().GroupColumn.Set(ColumnExtension);
    EXPECT_TRUE(list.BuildGroups(false));
    const ResultGroups& table = list.m_callback.groups;
    ASSERT_EQ(3u, table.groups.size());
    EXPECT_EQ((std::vector<std::int32_t>{table.item_map[0], table.item_map[2]}),
              (std::vector<std::int32_t>{table.item_map[2], table.item_map[0]}));
    EXPECT_NE(table.item_map[0], table.item_map[1]);
    // Where the list view shows groups it has one per table entry.
    if (list.HasGroupView())
        EXPECT_EQ(3, SendMessageW(list.Handle(), LVM_GETGROUPCOUNT, 0, 0));
    else
        EXPECT_EQ(0, SendMessageW(list.Handle(), LVM_GETGROUPCOUNT, 0, 0));

    {
        BusyJob busy(JobSearch);
        ASSERT_TRUE(busy.started);
        EXPECT_FALSE(list.BuildGroups(false));
        EXPECT_TRUE(list.m_callback.groups.groups.empty());
    }
    EXPECT_TRUE(list.BuildGroups(true));
    EXPECT_TRUE(list.m_callback.groups.groups.empty());
}

TEST_F(VQListCtrlTest, ClearingEmptiesTheListGroupsAndCutList) {
    auto items = AddItems({{.name = L"a.txt"}, {.name = L"b.doc"}});
    Show();
    Settings().GroupColumn.Set(ColumnExtension);
    list.BuildGroups(false);
    items[0]->state = ItemCut;
    list.CutList = {items[0]};
    list.ClearItems();
    EXPECT_EQ(0, SendMessageW(list.Handle(), LVM_GETITEMCOUNT, 0, 0));
    EXPECT_TRUE(list.m_callback.groups.groups.empty());
    EXPECT_TRUE(list.CutList.empty());
    EXPECT_EQ(ItemNormal, items[0]->state.load());
}

// The keys the list turns into commands; the modifiers are pressed on the
// display, since the list reads their state from the keyboard.
class VQListCtrlInput : public VQListCtrlTest {};

TEST_F(VQListCtrlInput, KeysBecomeCommandsOnlyWithTheirModifiers) {
    struct Case {
        std::vector<WORD> modifiers;
        WORD key;
        std::vector<WPARAM> commands;
    };
    const Case cases[] = {
        {{}, VK_DELETE, {kCommandDelete}},
        {{VK_SHIFT}, VK_DELETE, {kCommandDelete}},
        {{VK_CONTROL}, VK_DELETE, {}},
        {{VK_CONTROL}, 'A', {kCommandSelectAll}},
        {{VK_CONTROL}, 'C', {kCommandCopy}},
        {{VK_CONTROL, VK_SHIFT}, 'C', {}},
        {{VK_CONTROL}, 'X', {kCommandCut}},
        {{}, 'C', {}},
        {{}, VK_F2, {kCommandRename}},
        {{VK_SHIFT}, VK_F2, {}},
    };
    for (const Case& c : cases) {
        auto press = [&](bool down) {
            for (WORD modifier : c.modifiers) {
                INPUT input{};
                input.type = INPUT_KEYBOARD;
                input.ki.wVk = modifier;
                input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
                SendInput(1, &input, sizeof input);
            }
            Sleep(50);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        };
        press(true);
        SendMessageW(list.Handle(), WM_KEYDOWN, c.key, 0);
        press(false);
        EXPECT_EQ(c.commands, TakeCommands()) << "key " << c.key;
    }
}

TEST(OwnerDataCallbackTest, AnswersFromTheGroupTable) {
    COwnerDataCallback callback;
    callback.groups.groups.resize(2);
    callback.groups.groups[0].items = {0, 2};
    callback.groups.groups[1].items = {1};
    callback.groups.item_map = {0, 1, 0};
    struct Case {
        int group, n;
        HRESULT result;
        int item;
    };
    for (const Case c : {Case{0, 1, S_OK, 2}, Case{1, 0, S_OK, 1}, Case{1, 1, S_FALSE, -7},
                         Case{2, 0, S_FALSE, -7}, Case{-1, 0, S_FALSE, -7}}) {
        int item = -7;
        EXPECT_EQ(c.result, callback.GetItemInGroup(c.group, c.n, &item));
        EXPECT_EQ(c.item, item);
    }
    for (const Case c : {Case{0, 0, S_OK, 0}, Case{1, 0, S_OK, 1}, Case{2, 0, S_OK, 0},
                         Case{3, 0, S_FALSE, -7}, Case{-1, 0, S_FALSE, -7}}) {
        int group = -7;
        EXPECT_EQ(c.result, callback.GetItemGroup(c.group, 0, &group));
        EXPECT_EQ(c.item, group);
    }
    EXPECT_EQ(E_INVALIDARG, callback.GetItemInGroup(0, 0, nullptr));
    EXPECT_EQ(E_INVALIDARG, callback.GetItemGroup(0, 0, nullptr));
    int count = 0;
    EXPECT_EQ(S_OK, callback.GetItemGroupCount(1, &count));
    EXPECT_EQ(1, count);
    POINT point{};
    EXPECT_EQ(E_NOTIMPL, callback.GetItemPosition(0, &point));

    ShutdownFlag = 1;
    int item = -7;
    EXPECT_EQ(S_FALSE, callback.GetItemInGroup(0, 0, &item));
    EXPECT_EQ(S_FALSE, callback.GetItemGroup(0, 0, &item));
    ShutdownFlag = 0;
    EXPECT_EQ(-7, item);
}

} // namespace
