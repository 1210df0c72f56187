#include "ui/core/mvApp.h"
#include "ui/core/mvWnd.h"
#include "HelpApp.h"
#include "ProbeWnd.h"
#include "ui/core/ProcBarrier.h"
#include "ui/core/WindowClasses.h"
#include "ui/core/WindowHolders.h"
#include "ui/core/mvDialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

TEST(mvWnd, AppWindowClassesRunTheLibraryProcedure) {
    EXPECT_EQ(RegisterAppWindowClass(L""), 0);
    EXPECT_EQ(RegisterAppWindowClass(nullptr), 0);

    const ATOM app = RegisterAppWindowClass(L"VqTestAppClass");
    ASSERT_NE(app, 0);
    EXPECT_EQ(RegisterAppWindowClass(L"vqtestappclass"), app);
    WNDCLASSW info{};
    ASSERT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), L"VqTestAppClass", &info));
    EXPECT_EQ(info.style, UINT(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(info.lpfnWndProc, mvWndProc);
    EXPECT_EQ(info.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(info.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(info.hIcon, nullptr);
}

TEST(mvWnd, CreateBindsALibraryWindowAndDestructionUnbindsIt) {
    ProbeWnd wnd;
    ASSERT_TRUE(CreateTopLevel(wnd));
    HWND hwnd = wnd.Handle();
    EXPECT_EQ(mvWnd::FromHandle(hwnd), &wnd);
    EXPECT_TRUE(wnd.Saw(WM_NCCREATE));
    EXPECT_TRUE(wnd.Saw(WM_CREATE));
    // A library class needs no subclassing and announces no attachment.
    EXPECT_EQ(wnd.m_prevProc, nullptr);
    EXPECT_EQ(wnd.attachedCalls, 0);
    EXPECT_FALSE(CreateTopLevel(wnd)) << "an object holds one window";

    DestroyWindow(hwnd);
    EXPECT_EQ(wnd.Handle(), nullptr);
    EXPECT_EQ(mvWnd::FromHandle(hwnd), nullptr);
    EXPECT_TRUE(wnd.Saw(WM_NCDESTROY));
    // Unbound objects can be bound again.
    ASSERT_TRUE(CreateTopLevel(wnd));
    EXPECT_NE(wnd.Handle(), hwnd);
}

TEST(mvWnd, SystemClassWindowsAreSubclassedAndGetTheirProcedureBack) {
    ProbeWnd parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    ProbeWnd edit;
    ASSERT_TRUE(CreateChild(edit, parent.Handle(), 101, L"Edit"));
    HWND hwnd = edit.Handle();
    const WNDPROC original = edit.m_prevProc;
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), mvWndProc);
    EXPECT_EQ(edit.attachedCalls, 1);

    // The edit's own behaviour still works through the object.
    SetWindowTextW(hwnd, L"typed");
    EXPECT_EQ(GetWindowTextString(hwnd), L"typed");
    EXPECT_TRUE(edit.Saw(WM_SETTEXT));

    EXPECT_TRUE(edit.Attach(hwnd)) << "its own window again";
    EXPECT_EQ(edit.m_prevProc, original);
    EXPECT_FALSE(edit.SubclassWindow(hwnd));
    EXPECT_EQ(edit.attachedCalls, 1);

    ProbeWnd other;
    EXPECT_FALSE(other.Attach(hwnd)) << "a window belongs to one object";
    EXPECT_FALSE(other.SubclassDlgItem(parent.Handle(), 0));
    EXPECT_FALSE(other.SubclassDlgItem(parent.Handle(), 999));

    edit.Detach(false);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), original);
    EXPECT_EQ(mvWnd::FromHandle(hwnd), nullptr);

    EXPECT_TRUE(other.SubclassDlgItem(parent.Handle(), 101));
    EXPECT_EQ(other.Handle(), hwnd);
    EXPECT_EQ(other.attachedCalls, 1);
    EXPECT_EQ(GetWindowTextString(nullptr), L"");
}

TEST(mvWnd, OwnerDrawNotifyAndCommandGoToTheSendingChildFirst) {
    ProbeWnd parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    ProbeWnd child;
    ASSERT_TRUE(CreateChild(child, parent.Handle(), 7));
    HWND hwndChild = child.Handle();

    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = 7;
    draw.hwndItem = hwndChild;
    DRAWITEMSTRUCT menuDraw = draw;
    menuDraw.CtlType = ODT_MENU;
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_LISTBOX;
    measure.CtlID = 7;
    MEASUREITEMSTRUCT menuMeasure = measure;
    menuMeasure.CtlType = ODT_MENU;
    COMPAREITEMSTRUCT compare = {};
    compare.CtlType = ODT_LISTBOX;
    compare.hwndItem = hwndChild;
    compare.itemID1 = 1;
    compare.itemID2 = 5;
    NMHDR notify = {hwndChild, 7, NM_CLICK};
    NMHDR notifyNoId = {hwndChild, 0, NM_CLICK};

    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        const void* lParam;
        bool childHandles;
        bool childOffered;
        bool parentSees;
        LRESULT result;
    } cases[] = {
        {"draw, handled", WM_DRAWITEM, 7, &draw, true, true, false, TRUE},
        {"draw, left", WM_DRAWITEM, 7, &draw, false, true, true, 99},
        {"menu draw", WM_DRAWITEM, 0, &menuDraw, true, false, true, 99},
        {"measure, handled", WM_MEASUREITEM, 7, &measure, true, true, false, TRUE},
        {"measure, left", WM_MEASUREITEM, 7, &measure, false, true, true, 99},
        {"menu measure", WM_MEASUREITEM, 0, &menuMeasure, true, false, true, 99},
        {"compare, handled", WM_COMPAREITEM, 7, &compare, true, true, false, 7},
        {"compare, left", WM_COMPAREITEM, 7, &compare, false, true, true, 99},
        {"notify, handled", WM_NOTIFY, 7, &notify, true, true, false, 42},
        {"notify, left", WM_NOTIFY, 7, &notify, false, true, true, 99},
        {"notify without id", WM_NOTIFY, 0, &notifyNoId, true, false, true, 99},
        {"command, handled", WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), hwndChild, true, true, false,
         0},
        {"command, left", WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), hwndChild, false, true, true, 99},
        {"command id 0", WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), hwndChild, true, false, true, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        child.handles = c.childHandles;
        child.reflected = 0;
        parent.seen.clear();
        parent.parentAnswerTo = c.message;
        parent.parentAnswer = 99;
        const LRESULT result =
            SendMessageW(parent.Handle(), c.message, c.wParam, reinterpret_cast<LPARAM>(c.lParam));
        EXPECT_EQ(child.reflected, c.childOffered ? 1 : 0);
        EXPECT_EQ(parent.Saw(c.message), c.parentSees);
        EXPECT_EQ(result, c.result);
    }
    EXPECT_EQ(child.lastCode, static_cast<UINT>(BN_CLICKED));
}

TEST(mvWnd, TheDefaultCompareOrdersItemIdsUnsigned) {
    mvWnd wnd;
    struct Case {
        UINT_PTR first, second;
        int expected;
    } cases[] = {{3, 3, 0}, {1, 2, -1}, {2, 1, 1}, {1, 0xFFFFFFFFu, -1}};
    for (const Case& c : cases) {
        COMPAREITEMSTRUCT item = {};
        item.itemID1 = static_cast<UINT>(c.first);
        item.itemID2 = static_cast<UINT>(c.second);
        EXPECT_EQ(wnd.OnReflectCompareItem(&item), c.expected);
    }
}

TEST(mvWnd, AControlMayReplaceTheColourBrushItsParentChose) {
    ProbeWnd parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    ProbeWnd child;
    ASSERT_TRUE(CreateChild(child, parent.Handle(), 8));
    HBRUSH parentBrush = GetSysColorBrush(COLOR_WINDOW);
    HBRUSH childBrush = GetSysColorBrush(COLOR_HIGHLIGHT);
    HDC dc = GetDC(child.Handle());
    struct Case {
        UINT message;
        HBRUSH childChoice;
        bool childOffered;
        HBRUSH expected;
    } cases[] = {
        {WM_CTLCOLORSTATIC, childBrush, true, childBrush},
        {WM_CTLCOLOREDIT, nullptr, true, parentBrush},
        {WM_CTLCOLORBTN, childBrush, true, childBrush},
        {WM_CTLCOLORLISTBOX, childBrush, true, childBrush},
        {WM_CTLCOLORSCROLLBAR, childBrush, true, childBrush},
        {WM_CTLCOLORDLG, childBrush, false, parentBrush},
        {WM_CTLCOLORMSGBOX, childBrush, false, parentBrush},
    };
    for (const Case& c : cases) {
        child.colourBrush = c.childChoice;
        child.reflected = 0;
        parent.parentAnswerTo = c.message;
        parent.parentAnswer = reinterpret_cast<LRESULT>(parentBrush);
        const LRESULT result =
            SendMessageW(parent.Handle(), c.message, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(child.Handle()));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(result), c.expected) << c.message;
        EXPECT_EQ(child.reflected, c.childOffered ? 1 : 0) << c.message;
    }
    ReleaseDC(child.Handle(), dc);
}

TEST(mvWnd, OnlyTheMainWindowsDestructionPostsQuitAndHelpGoesToTheApplication) {
    HelpApp app;
    QuitMessagesWaiting();
    ProbeWnd main;
    ProbeWnd other;
    ASSERT_TRUE(CreateTopLevel(main));
    ASSERT_TRUE(CreateTopLevel(other));
    app.m_mainWnd = &main;

    HELPINFO help = {sizeof help};
    EXPECT_EQ(SendMessageW(other.Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 0);
    ASSERT_EQ(app.helpMessages.size(), 1u);
    EXPECT_EQ(app.helpMessages[0], static_cast<UINT>(WM_HELP));

    other.Detach(true);
    EXPECT_EQ(QuitMessagesWaiting(), 0);
    main.Detach(true);
    EXPECT_EQ(QuitMessagesWaiting(), 1);
}

TEST(mvWnd, AFailedCreationLeavesNoObjectWaitingForTheNextWindow) {
    HWND bogusParent = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7FFF0));
    {
        ProbeWnd doomed;
        EXPECT_FALSE(CreateChild(doomed, bogusParent, 5));
        EXPECT_EQ(doomed.Handle(), nullptr);
    }
    // A window of the library class created by other code must not be bound
    // to the object that is gone.
    HWND stray = CreateWindowExW(0, L"mvWnd", L"stray", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(stray, nullptr);
    EXPECT_EQ(mvWnd::FromHandle(stray), nullptr);
    DestroyWindow(stray);
}

TEST(mvWnd, FontsReachTheChildrenAndAreKept) {
    ProbeWnd parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    ProbeWnd edit;
    ASSERT_TRUE(CreateChild(edit, parent.Handle(), 3, L"Edit"));
    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    SendMessageW(parent.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EXPECT_EQ(parent.Font(), font);
    EXPECT_EQ(edit.Font(), font);
    EXPECT_TRUE(parent.Saw(WM_SETFONT)) << "the object sees the message too";
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit.Handle(), WM_GETFONT, 0, 0)), font);
}

TEST(mvWnd, FindChildByIdPrefersTheDeepestMatchUnderADirectChild) {
    ProbeWnd top;
    ASSERT_TRUE(CreateTopLevel(top));
    ProbeWnd a, aInner, b, bInner, bInnerInner;
    ASSERT_TRUE(CreateChild(a, top.Handle(), 10));
    ASSERT_TRUE(CreateChild(aInner, a.Handle(), 10));
    ASSERT_TRUE(CreateChild(b, top.Handle(), 20));
    ASSERT_TRUE(CreateChild(bInner, b.Handle(), 30));
    ASSERT_TRUE(CreateChild(bInnerInner, bInner.Handle(), 40));
    EXPECT_EQ(FindChildById(top.Handle(), 10), aInner.Handle());
    EXPECT_EQ(FindChildById(top.Handle(), 20), b.Handle());
    EXPECT_EQ(FindChildById(top.Handle(), 30), bInner.Handle());
    EXPECT_EQ(FindChildById(top.Handle(), 40), bInnerInner.Handle());
    EXPECT_EQ(FindChildById(top.Handle(), 50), nullptr);
    EXPECT_EQ(FindChildById(nullptr, 10), nullptr);
}

TEST(mvWnd, ModifyStyleReportsWhetherAnythingChanged) {
    ProbeWnd wnd;
    EXPECT_FALSE(wnd.ModifyStyle(0, WS_BORDER)) << "no window";
    ASSERT_TRUE(CreateTopLevel(wnd));
    EXPECT_TRUE(wnd.ModifyStyle(WS_MAXIMIZEBOX, 0));
    EXPECT_EQ(GetWindowLongW(wnd.Handle(), GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    EXPECT_FALSE(wnd.ModifyStyle(WS_MAXIMIZEBOX, 0));
    EXPECT_TRUE(wnd.ModifyStyleEx(0, WS_EX_TOOLWINDOW));
    EXPECT_NE(GetWindowLongW(wnd.Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_FALSE(wnd.ModifyStyleEx(0, WS_EX_TOOLWINDOW));
}

TEST(mvWnd, TheMapUnbindsItsWindowsWithoutDestroyingThemWhenItGoes) {
    ProbeWnd parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    ProbeWnd edit;
    ASSERT_TRUE(CreateChild(edit, parent.Handle(), 4, L"Edit"));
    HWND hwnd = edit.Handle();
    const WNDPROC original = edit.m_prevProc;
    {
        mvWndMap map;
        map.Insert(hwnd, &edit);
        EXPECT_EQ(map.Find(hwnd), &edit);
        EXPECT_EQ(map.Count(), 1u);
    }
    EXPECT_EQ(edit.Handle(), nullptr);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), original);
    EXPECT_EQ(mvWnd::FromHandle(hwnd), nullptr);
    // The process-wide map still works after another map went.
    ASSERT_TRUE(edit.Attach(hwnd));
    EXPECT_EQ(mvWnd::FromHandle(hwnd), &edit);
}

namespace {

// While installed, makes one window of the library class, bound to no
// object, at the moment the next top-level window is being created (before
// that window's WM_NCCREATE): other code that creates windows meanwhile.
class StrayWindowMaker {
public:
    StrayWindowMaker() {
        s_maker = this;
        m_hook = SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
    }
    ~StrayWindowMaker() {
        if (m_hook != nullptr)
            UnhookWindowsHookEx(m_hook);
        s_maker = nullptr;
    }
    bool Installed() const { return m_hook != nullptr; }

    WindowHandle stray;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        StrayWindowMaker* maker = s_maker;
        if (code == HCBT_CREATEWND && maker != nullptr && !maker->m_made) {
            const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            if ((create->style & WS_CHILD) == 0) {
                maker->m_made = true; // the stray's own creation passes here too
                maker->stray.Assign(CreateWindowExW(0, L"mvWnd", L"stray", WS_POPUP, 0, 0, 10, 10,
                                                    nullptr, nullptr, GetModuleHandleW(nullptr),
                                                    nullptr));
            }
        }
        return CallNextHookEx(maker != nullptr ? maker->m_hook : nullptr, code, wParam, lParam);
    }

    static inline StrayWindowMaker* s_maker = nullptr;
    HHOOK m_hook = nullptr;
    bool m_made = false;
};

class SmallDialog : public mvDialog {
public:
    SmallDialog() {
        InitTemplate(80, 40, true, 1);
        AppendTemplateItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 5, 5, 40, 14, IDOK, 0x0080);
    }
    int OnInitDialog() override {
        ++initCalls;
        if (throwOnInit)
            throw std::runtime_error("init failed");
        return TRUE;
    }
    int initCalls = 0;
    bool throwOnInit = false;
};

} // namespace

TEST(mvWnd, AWindowIsBoundToTheObjectOfItsOwnCreationEvenWhenOthersAreMadeMeanwhile) {
    ASSERT_NE(RegisterAppWindowClass(L"mvWnd"), 0);
    struct Case {
        const char* what;
        std::function<bool(mvWnd&)> create; // the object's creation
        std::function<mvWnd*()> make;
    };
    ProbeWnd window;
    SmallDialog dialog;
    const Case cases[] = {
        {"a window", [](mvWnd& wnd) { return CreateTopLevel(wnd); }, [&] { return &window; }},
        {"a dialog",
         [](mvWnd& wnd) { return static_cast<mvDialog&>(wnd).CreateDialogWindow(nullptr); },
         [&] { return &dialog; }},
    };
    for (const Case& c : cases) {
        mvWnd& wnd = *c.make();
        StrayWindowMaker maker;
        ASSERT_TRUE(maker.Installed());
        ASSERT_TRUE(c.create(wnd)) << c.what;
        ASSERT_TRUE(maker.stray) << c.what << ": the stray window was made during the creation";
        EXPECT_NE(wnd.Handle(), nullptr) << c.what;
        EXPECT_EQ(mvWnd::FromHandle(wnd.Handle()), &wnd) << c.what;
        EXPECT_EQ(mvWnd::FromHandle(maker.stray.Get()), nullptr)
            << c.what << ": the stray window belongs to no object";
        // Messages the stray window gets are left to default processing.
        EXPECT_EQ(SendMessageW(maker.stray.Get(), WM_USER + 5, 0, 0), 0) << c.what;
    }
    EXPECT_TRUE(window.Saw(WM_NCCREATE));
    EXPECT_TRUE(window.Saw(WM_CREATE));
    EXPECT_EQ(dialog.initCalls, 1);

    // A creation parameter that names no object being created binds nothing.
    ProbeWnd idle;
    HWND foreign = CreateWindowExW(0, L"mvWnd", L"foreign", WS_POPUP, 0, 0, 10, 10, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), &idle);
    ASSERT_NE(foreign, nullptr);
    EXPECT_EQ(mvWnd::FromHandle(foreign), nullptr);
    EXPECT_EQ(idle.Handle(), nullptr);
    DestroyWindow(foreign);
}

namespace {

struct Failure {
    std::wstring where;
    std::string what;
};
std::vector<Failure> g_failures;
void RecordFailure(const wchar_t* where, const char* what) {
    g_failures.push_back({where != nullptr ? where : L"", what != nullptr ? what : "?"});
}

// Throws from its handler of one message, a standard exception or another.
class ThrowingWnd : public ProbeWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kThrowStandard)
            throw std::runtime_error("handler failed");
        if (message == kThrowOther)
            throw 17;
        return ProbeWnd::WindowProc(message, wParam, lParam);
    }
    static constexpr UINT kThrowStandard = WM_USER + 20;
    static constexpr UINT kThrowOther = WM_USER + 21;
};

} // namespace

TEST(mvWnd, AnExceptionInAHandlerIsLoggedAndTheWindowGoesOn) {
    g_failures.clear();
    const ProcFailureSink previous = SetProcFailureSink(&RecordFailure);
    ThrowingWnd wnd;
    ASSERT_TRUE(CreateTopLevel(wnd));
    const struct {
        UINT message;
        const char* what;
    } cases[] = {{ThrowingWnd::kThrowStandard, "handler failed"}, {ThrowingWnd::kThrowOther, "?"}};
    for (const auto& c : cases) {
        g_failures.clear();
        // Default processing answers the message the handler failed on.
        EXPECT_EQ(SendMessageW(wnd.Handle(), c.message, 0, 0), 0) << c.message;
        ASSERT_EQ(g_failures.size(), 1u) << c.message;
        EXPECT_EQ(g_failures[0].where, L"window procedure");
        EXPECT_EQ(g_failures[0].what, c.what);
        // The window is still bound and handles the next message.
        EXPECT_EQ(mvWnd::FromHandle(wnd.Handle()), &wnd);
        wnd.parentAnswerTo = WM_USER + 30;
        wnd.parentAnswer = 5;
        EXPECT_EQ(SendMessageW(wnd.Handle(), WM_USER + 30, 0, 0), 5);
    }

    g_failures.clear();
    SmallDialog dialog;
    dialog.throwOnInit = true;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
    EXPECT_EQ(dialog.initCalls, 1);
    ASSERT_EQ(g_failures.size(), 1u);
    EXPECT_EQ(g_failures[0].where, L"dialog initialisation");
    EXPECT_EQ(g_failures[0].what, "init failed");
    EXPECT_EQ(mvWnd::FromHandle(dialog.Handle()), &dialog);
    SetProcFailureSink(previous);
}
