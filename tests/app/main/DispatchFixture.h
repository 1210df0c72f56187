// A real main window for message-level tests: shown without being
// activated, 900 x 600, over results in the global job, with its own
// language file and every setting a command may change given back
// afterwards. It records the pop-ups it is told to initialise and closes a
// tracked pop-up as soon as the pop-up's loop waits for input.
#pragma once

#include "MainWndFixture.h"
#include "app/main/VQDlg.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "support/MessagePump.h"
#include "support/ScopedSetting.h"
#include "ui/controls/ItemImage.h"
#include "ui/controls/mvMenu.h"

#include <memory>
#include <string>
#include <vector>

// The test language with the captions the menus switch to while a job runs.
inline std::string DispatchLanguage() {
    std::string text = kTestLanguage;
    const std::string section = "[menu_file]\n";
    text.insert(text.find(section) + section.size(),
                "stopload = Stop load\nstopsearch = Stop\nstopsir = Stop in results\n"
                "resume = Resume\n");
    return text;
}

// The main window; records the pop-ups it is told to initialise and closes
// a tracked pop-up as soon as its loop waits for input.
class RecordingDlg : public CVQDlg {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_INITMENUPOPUP)
            popups.push_back(reinterpret_cast<HMENU>(wParam));
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU)
            EndMenu();
        return CVQDlg::WindowProc(message, wParam, lParam);
    }
    std::vector<HMENU> popups;
};

// Counts the messages of one kind that reach a window, while it lives.
class MessageCounter {
public:
    MessageCounter(HWND hwnd, UINT message) : m_hwnd(hwnd) {
        s_message = message;
        s_calls.clear();
        s_previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~MessageCounter() {
        SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_previous));
    }
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;

    struct Call {
        WPARAM wParam;
        LPARAM value; // for LVM_SETITEMSTATE the state set, else lParam
    };
    static inline std::vector<Call> s_calls;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == s_message) {
            LPARAM value = lParam;
            if (message == LVM_SETITEMSTATE && lParam != 0)
                value = static_cast<LPARAM>(reinterpret_cast<const LVITEMW*>(lParam)->state);
            s_calls.push_back({wParam, value});
        }
        return CallWindowProcW(s_previous, hwnd, message, wParam, lParam);
    }
    HWND m_hwnd;
    static inline UINT s_message = 0;
    static inline WNDPROC s_previous = nullptr;
};

class DispatchFixture : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        ASSERT_TRUE(Language().SetLanguageFile(m_dir.WriteFile(L"dispatch.ini", DispatchLanguage())));
        Settings().Columns = ColumnSettings();
        window = std::make_unique<RecordingDlg>();
        ASSERT_TRUE(window->CreateDialogWindow(nullptr));
        SetWindowPos(Hwnd(), nullptr, 40, 40, 900, 600, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(Hwnd(), SW_SHOWNA);
        Pump(30);
    }
    void TearDown() override {
        GlobalSearchJob().StopAndWait(5000);
        window.reset();
        StopNotifierThread();
        MainWndFixture::TearDown();
    }

    HWND Hwnd() const { return window->m_hwnd; }
    HWND List() const { return window->m_list.Handle(); }

    // Delivers what is posted for about `ms` milliseconds.
    static void Pump(DWORD ms) { PumpMessages(static_cast<int>(ms / 5) + 1, 5); }
    // Delivers messages until `done` holds; false after 10 s.
    template <typename Done> static bool PumpUntil(Done done) {
        for (int i = 0; i < 1000; ++i) {
            if (done())
                return true;
            Pump(10);
        }
        return done();
    }

    LRESULT Command(UINT id, LPARAM lParam = 0) {
        const LRESULT result = SendMessageW(Hwnd(), WM_COMMAND, id, lParam);
        Pump(20);
        return result;
    }
    // The results as the notifier reports them.
    void Notify(NotifyCode code, LPARAM value) {
        SendMessageW(Hwnd(), GlobalNotifier().message, code, value);
    }
    std::vector<FoundItem*> Show(std::initializer_list<TestItem> items) {
        std::vector<FoundItem*> added = AddItems(items);
        Notify(NotifyItemsAdded, 0);
        return added;
    }
    // `count` files "f000.txt"... of 10 bytes each.
    void ShowFiles(int count) {
        SearchJob& job = GlobalSearchJob();
        SearchCriteria criteria;
        for (int i = 0; i < count; ++i) {
            wchar_t name[32];
            swprintf(name, 32, L"f%03d.txt", i);
            FoundItem item;
            TestItem{.name = name, .size = 10}.FillIn(item);
            item.FormatTexts(criteria);
            AddFoundItem(job, item, nullptr);
        }
        Notify(NotifyItemsAdded, 0);
    }
    int ListCount() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }

    void Select(std::initializer_list<int> rows) {
        ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int row : rows)
            ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
    }
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int row = -1; (row = ListView_GetNextItem(List(), row, LVNI_SELECTED)) >= 0;)
            rows.push_back(row);
        return rows;
    }
    // Names, or extensions, in display order.
    static std::vector<std::wstring> Names(bool extensions = false) {
        std::vector<std::wstring> out;
        for (int i = 0; i < ResultList::Count(); ++i) {
            const FoundItem* item = ResultList::ItemAt(i);
            out.push_back(extensions ? item->ext.str() : item->name.str());
        }
        return out;
    }
    std::vector<std::wstring> GroupTitles() const {
        std::vector<std::wstring> out;
        for (const ResultGroup& group : window->m_list.m_callback.groups.groups)
            out.push_back(group.title.str());
        return out;
    }
    // A click on the header of a column id, as the list reports it to the
    // window (the header's own mouse messages, sent synthetically, give no
    // click under Wine).
    void ClickHeader(int column) {
        const HWND header = ListView_GetHeader(List());
        int index = -1;
        for (int i = 0; i < Header_GetItemCount(header); ++i) {
            LVCOLUMNW info{};
            info.mask = LVCF_SUBITEM;
            ListView_GetColumn(List(), i, &info);
            if (info.iSubItem == column)
                index = i;
        }
        ASSERT_GE(index, 0) << "column " << column;
        NMLISTVIEW click{};
        click.hdr.hwndFrom = List();
        click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(List()));
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = index;
        SendMessageW(Hwnd(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
        Pump(20);
    }
    RECT Place(HWND child) const {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    std::wstring Title() const {
        wchar_t text[256] = {};
        GetWindowTextW(Hwnd(), text, 256);
        return text;
    }

    // Menus: the bar's submenu at a position, the submenu that holds a
    // command, and the state of a command as the window leaves it after
    // initialising the menu that holds it.
    HMENU BarMenu(int position) const { return GetSubMenu(window->m_menus.menuBar.Handle(), position); }
    HMENU MenuWith(UINT id) const {
        mvMenu* menu = window->m_menus.menuBar.FindSubMenuWithCommand(id);
        return menu != nullptr ? menu->Handle() : nullptr;
    }
    void InitPopup(HMENU menu) { SendMessageW(Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0); }
    static bool Greyed(HMENU menu, UINT id) {
        return (GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) != 0;
    }
    static bool Checked(HMENU menu, UINT id) {
        return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    static std::wstring TextOf(HMENU menu, UINT id) {
        mvMenu* wrapper = mvMenuMap::Get().Find(menu);
        for (int position = 0; wrapper != nullptr && position < GetMenuItemCount(menu); ++position)
            if (GetMenuItemID(menu, position) == id)
                return wrapper->GetItemText(position).str();
        return L"<none>";
    }
    // The entry of `menu` that leads to `submenu`, greyed or not.
    static bool EntryGreyed(HMENU menu, HMENU submenu) {
        for (int position = 0; position < GetMenuItemCount(menu); ++position)
            if (GetSubMenu(menu, position) == submenu)
                return (GetMenuState(menu, position, MF_BYPOSITION) & MF_GRAYED) != 0;
        ADD_FAILURE() << "no entry for the submenu";
        return false;
    }

    std::unique_ptr<RecordingDlg> window;
    // Every setting a command may change is given back after the test.
    ScopedByteSetting sortColumn{Settings().SortColumn, 9};
    ScopedBoolSetting sortDown{Settings().SortDescending, false};
    ScopedByteSetting groupColumn{Settings().GroupColumn, 9};
    ScopedBoolSetting groupDown{Settings().GroupDescending, false};
    ScopedByteSetting viewMode{Settings().LisViewMode, ViewDetails};
    ScopedBoolSetting toolbar{Settings().Toolbar, true};
    ScopedBoolSetting statusBar{Settings().StatusBar, true};
    ScopedByteSetting panelRight{Settings().SearchPanelRight, 0};
    ScopedBoolSetting autoHide{Settings().SearchPanelAutoHide, false};
    ScopedBoolSetting openButton{Settings().UpdateTBOpenBtn, true};
    ScopedBoolSetting autoSave{Settings().AutoSaveDefSearch, false};
};
