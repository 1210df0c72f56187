#include "ui/core/mvDialog.h"

#include "ui/core/mvApp.h"

#include "ProbeWnd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr UINT_PTR kStepTimer = 77;
// Result of a run that nothing ended: the dialog gives up after about half a
// second so that a fault shows as a wrong result, not a hang.
constexpr INT_PTR kNotEnded = 99;

// A dialog with an OK and a Cancel button that runs scripted steps from a
// timer once it is up, one step per tick.
class ScriptedDialog : public mvDialog {
public:
    using Step = std::function<void(ScriptedDialog&)>;

    explicit ScriptedDialog(DWORD extraStyle = 0) {
        InitTemplate(120, 60, true, 2);
        AppendTemplateItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 40, 40, 14,
                           IDOK, 0x0080);
        AppendTemplateItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 60, 40, 40, 14, IDCANCEL, 0x0080);
        ModifyTemplateStyle(0, extraStyle);
    }
    int OnInitDialog() override {
        if (onInit)
            onInit(*this);
        SetTimer(m_hwnd, kStepTimer, 20, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && wParam == kStepTimer) {
            if (next < steps.size())
                steps[next++](*this);
            else if (++idleTicks > 25)
                EndDialog(kNotEnded);
            return 0;
        }
        return mvDialog::WindowProc(message, wParam, lParam);
    }

    Step onInit;
    std::vector<Step> steps;
    size_t next = 0;
    int idleTicks = 0;
};

void PostKey(ScriptedDialog& dialog, WPARAM key) {
    PostMessageW(dialog.m_hwnd, WM_KEYDOWN, key, 0);
}

RECT WindowRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

} // namespace

TEST(mvDialog, TheModalRunEndsByCloseEnterEscapeOrEndDialog) {
    using Step = ScriptedDialog::Step;
    const Step none;
    const Step noSysMenu = [](ScriptedDialog& d) { d.ModifyStyle(WS_SYSMENU, 0); };
    const Step noSysMenuNoCancel = [](ScriptedDialog& d) {
        d.ModifyStyle(WS_SYSMENU, 0);
        ShowWindow(GetDlgItem(d.m_hwnd, IDCANCEL), SW_HIDE);
    };
    const Step okDisabled = [](ScriptedDialog& d) {
        EnableWindow(GetDlgItem(d.m_hwnd, IDOK), FALSE);
    };
    struct Case {
        const char* name;
        Step setup;
        Step action;
        INT_PTR expected;
    } cases[] = {
        {"caption close", none, [](ScriptedDialog& d) { PostMessageW(d.m_hwnd, WM_CLOSE, 0, 0); },
         IDCANCEL},
        {"Enter", none, [](ScriptedDialog& d) { PostKey(d, VK_RETURN); }, IDOK},
        {"Enter, OK disabled", okDisabled, [](ScriptedDialog& d) { PostKey(d, VK_RETURN); },
         kNotEnded},
        {"Escape", none, [](ScriptedDialog& d) { PostKey(d, VK_ESCAPE); }, IDCANCEL},
        {"Escape, Cancel but no system menu", noSysMenu,
         [](ScriptedDialog& d) { PostKey(d, VK_ESCAPE); }, IDCANCEL},
        {"Escape, neither", noSysMenuNoCancel, [](ScriptedDialog& d) { PostKey(d, VK_ESCAPE); },
         kNotEnded},
        {"EndDialog(0)", none, [](ScriptedDialog& d) { d.EndDialog(0); }, IDCANCEL},
        {"EndDialog(1234)", none, [](ScriptedDialog& d) { d.EndDialog(1234); }, 1234},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialog dialog;
        dialog.onInit = c.setup;
        dialog.steps = {c.action};
        EXPECT_EQ(dialog.DoModal(nullptr), c.expected);
        EXPECT_EQ(dialog.m_hwnd, nullptr) << "the window is gone after the run";
    }
}

TEST(mvDialog, TheOwnerIsDisabledDuringTheRunAndTheObjectCanRunAgain) {
    ProbeWnd owner;
    ASSERT_TRUE(CreateTopLevel(owner));
    ScriptedDialog dialog;
    bool ownerEnabledDuring = true;
    HWND ownerSeen = nullptr;
    dialog.steps = {[&](ScriptedDialog& d) {
        ownerEnabledDuring = IsWindowEnabled(owner.Handle()) != FALSE;
        ownerSeen = GetWindow(d.m_hwnd, GW_OWNER);
        EXPECT_EQ(d.DoModal(nullptr), -1) << "already running";
        d.EndDialog(IDOK);
    }};
    EXPECT_EQ(dialog.DoModal(owner.Handle()), IDOK);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_EQ(ownerSeen, owner.Handle());
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));

    dialog.next = 0;
    EXPECT_EQ(dialog.DoModal(owner.Handle()), IDOK);

    mvDialog noTemplate;
    EXPECT_EQ(noTemplate.DoModal(owner.Handle()), -1);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << "re-enabled after a failed creation";
}

TEST(mvDialog, QuitEndsTheInnermostLoopAndEveryEnclosingOne) {
    QuitMessagesWaiting();
    ScriptedDialog outer;
    ScriptedDialog inner;
    INT_PTR innerResult = -5;
    inner.steps = {[](ScriptedDialog&) { PostQuitMessage(0); }};
    outer.steps = {[&](ScriptedDialog& d) { innerResult = inner.DoModal(d.m_hwnd); }};
    EXPECT_EQ(outer.DoModal(nullptr), 0) << "no EndDialog came before the quit";
    EXPECT_EQ(innerResult, 0);
    EXPECT_EQ(QuitMessagesWaiting(), 0) << "the outermost loop keeps the quit to itself";

    // A result set before the quit is what the run returns.
    ScriptedDialog single;
    single.steps = {[](ScriptedDialog& d) {
        d.m_modalResult = 0;
        PostQuitMessage(0);
    }};
    EXPECT_EQ(single.DoModal(nullptr), 0);
}

TEST(mvDialog, AMainWindowDialogEndsThroughItsDestruction) {
    QuitMessagesWaiting();
    mvApp app(L"Velquin");
    ScriptedDialog main;
    app.m_mainWnd = &main;
    main.steps = {[](ScriptedDialog& d) { PostMessageW(d.m_hwnd, WM_CLOSE, 0, 0); }};
    EXPECT_EQ(main.DoModal(nullptr), 0);
    EXPECT_EQ(main.m_hwnd, nullptr);

    main.next = 0;
    main.steps = {[](ScriptedDialog& d) { PostKey(d, VK_ESCAPE); },
                  [](ScriptedDialog& d) { PostKey(d, VK_RETURN); }};
    // Escape has no Cancel handling of its own in the main window, but the
    // visible Cancel button ends it like OK does.
    EXPECT_EQ(main.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(QuitMessagesWaiting(), 1) << "its destruction posted the quit";
    app.m_mainWnd = nullptr;
}

TEST(mvDialog, ADialogDestroyedFromOutsideEndsItsRun) {
    ScriptedDialog dialog;
    dialog.steps = {[](ScriptedDialog& d) { DestroyWindow(d.m_hwnd); }};
    EXPECT_EQ(dialog.DoModal(nullptr), 0);
}

TEST(mvDialog, ADialogIsCentredUnlessItPlacedItself) {
    ProbeWnd owner;
    ASSERT_TRUE(
        owner.Create(L"owner", nullptr, 0, 100, 120, 600, 400, WS_OVERLAPPEDWINDOW, 0, L""));
    ShowWindow(owner.Handle(), SW_SHOWNOACTIVATE);
    const RECT ownerRect = WindowRect(owner.Handle());
    struct Case {
        bool placesItself;
    } cases[] = {{false}, {true}};
    for (const Case& c : cases) {
        ScriptedDialog dialog;
        RECT seen{};
        if (c.placesItself)
            dialog.onInit = [](ScriptedDialog& d) {
                SetWindowPos(d.m_hwnd, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            };
        dialog.steps = {[&](ScriptedDialog& d) {
            seen = WindowRect(d.m_hwnd);
            d.EndDialog(IDOK);
        }};
        ASSERT_EQ(dialog.DoModal(owner.Handle()), IDOK);
        if (c.placesItself) {
            EXPECT_EQ(seen.left, 3);
            EXPECT_EQ(seen.top, 4);
        } else {
            EXPECT_NEAR((seen.left + seen.right) / 2, (ownerRect.left + ownerRect.right) / 2, 1);
            EXPECT_NEAR((seen.top + seen.bottom) / 2, (ownerRect.top + ownerRect.bottom) / 2, 1);
        }
    }
}

TEST(mvDialog, AnOwnerlessDialogIsCentredOverTheMainWindow) {
    mvApp app(L"Velquin");
    ProbeWnd main;
    ASSERT_TRUE(main.Create(L"main", nullptr, 0, 40, 60, 500, 300, WS_OVERLAPPEDWINDOW, 0, L""));
    ShowWindow(main.Handle(), SW_SHOWNOACTIVATE);
    app.m_mainWnd = &main;
    ScriptedDialog dialog;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
    SetWindowPos(dialog.m_hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(dialog.CenterWindow());
    const RECT seen = WindowRect(dialog.m_hwnd);
    const RECT over = WindowRect(main.Handle());
    EXPECT_NEAR((seen.left + seen.right) / 2, (over.left + over.right) / 2, 1);
    EXPECT_NEAR((seen.top + seen.bottom) / 2, (over.top + over.bottom) / 2, 1);
    app.m_mainWnd = nullptr;
    mvDialog unbound;
    EXPECT_FALSE(unbound.CenterWindow());
}

TEST(mvDialog, ASizableDialogKeepsItsFirstSizeAsTheMinimum) {
    ScriptedDialog dialog(WS_THICKFRAME);
    SIZE minTrack{};
    MINMAXINFO info{};
    LONG exStyle = 0;
    RECT rect{};
    dialog.steps = {[&](ScriptedDialog& d) {
        minTrack = d.m_minTrack;
        rect = WindowRect(d.m_hwnd);
        exStyle = GetWindowLongW(d.m_hwnd, GWL_EXSTYLE);
        SendMessageW(d.m_hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        d.EndDialog(IDOK);
    }};
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(minTrack.cx, rect.right - rect.left);
    EXPECT_EQ(minTrack.cy, rect.bottom - rect.top);
    EXPECT_EQ(info.ptMinTrackSize.x, minTrack.cx);
    EXPECT_EQ(info.ptMinTrackSize.y, minTrack.cy);
    EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0) << "no small icon: modal frame";
}

TEST(mvDialog, TheTemplateGrowsByFourItemsAndKeepsWhatWasWritten) {
    mvDialog dialog;
    EXPECT_FALSE(dialog.AppendTemplateItem(0, 0, 0, 0, 1, 1, 1, 0x80)) << "no template yet";
    ASSERT_TRUE(dialog.InitTemplate(200, 100, false, 1));
    EXPECT_EQ(dialog.m_template.Capacity(), 4u);
    for (WORD id = 1; id <= 5; ++id)
        ASSERT_TRUE(dialog.AppendTemplateItem(WS_CHILD, 0, id, 2 * id, 30, 10, id, 0x0081));
    EXPECT_EQ(dialog.m_template.ItemCount(), 5);
    EXPECT_EQ(dialog.m_template.Capacity(), 8u);
    EXPECT_EQ(dialog.m_template.Size, 64u + 28u * 8u);

    const uint8_t* bytes = dialog.m_template.Buffer.get();
    auto word = [&](size_t at) {
        uint16_t value;
        std::memcpy(&value, bytes + at, 2);
        return value;
    };
    DWORD style;
    std::memcpy(&style, bytes, 4);
    EXPECT_EQ(style, mvDialogTemplate::kEmbeddedStyle);
    EXPECT_EQ(word(14), 200);
    EXPECT_EQ(word(16), 100);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes + 20)), L"mvThemeWnd");
    EXPECT_EQ(word(44), 9);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes + 46)), L"Segoe UI");
    for (size_t i = 0; i < 5; ++i) {
        const size_t item = 64 + 28 * i;
        EXPECT_EQ(word(item + 8), i + 1);
        EXPECT_EQ(word(item + 10), 2 * (i + 1));
        EXPECT_EQ(word(item + 16), i + 1);
        EXPECT_EQ(word(item + 18), 0xFFFF);
        EXPECT_EQ(word(item + 20), 0x0081);
    }
}

TEST(mvDialog, TheTemplateStyleReachesTheWindowAndSurvivesGrowth) {
    constexpr DWORD kBoxes = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    struct Case {
        DWORD remove;
        DWORD add;
        DWORD present; // must be set on the window
        DWORD absent;  // must be clear on the window
    } cases[] = {
        {0, kBoxes, kBoxes | WS_SYSMENU, 0},
        {WS_SYSMENU, 0, WS_CAPTION, WS_SYSMENU | kBoxes},
        {WS_SYSMENU, kBoxes, kBoxes, WS_SYSMENU},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "remove " << c.remove << " add " << c.add);
        mvDialog dialog;
        EXPECT_FALSE(dialog.ModifyTemplateStyle(0, c.add)) << "no template yet";
        EXPECT_EQ(dialog.TemplateStyle(), 0u);
        ASSERT_TRUE(dialog.InitTemplate(120, 60, true, 1));
        ASSERT_TRUE(dialog.ModifyTemplateStyle(c.remove, c.add));
        EXPECT_EQ(dialog.TemplateStyle(), (mvDialogTemplate::kTopLevelStyle & ~c.remove) | c.add);
        // Growing the item room copies the header along.
        for (WORD id = 1; id <= 5; ++id)
            ASSERT_TRUE(dialog.AppendTemplateItem(WS_CHILD, 0, 0, 0, 10, 10, id, 0x0080));
        ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
        const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog.m_hwnd, GWL_STYLE));
        EXPECT_EQ(style & c.present, c.present);
        EXPECT_EQ(style & c.absent, 0u);
        DestroyWindow(dialog.m_hwnd);
    }
}

TEST(mvDialog, TheTemplateClassIsRegisteredOnlyWhenNamed) {
    // Header words after the fixed part: menu, class, title.
    auto build = [](bool extended, std::vector<uint16_t> tail) {
        std::vector<uint16_t> words(extended ? 13 : 9, 0);
        if (extended) {
            words[0] = 1;
            words[1] = 0xFFFF;
        }
        words.insert(words.end(), tail.begin(), tail.end());
        return words;
    };
    auto named = [](std::vector<uint16_t> prefix, const wchar_t* name) {
        for (; *name; ++name)
            prefix.push_back(*name);
        prefix.push_back(0);
        prefix.push_back(0); // title
        return prefix;
    };
    struct Case {
        const char* name;
        std::vector<uint16_t> words;
        bool registers;
    } cases[] = {
        {"no menu, named class", build(false, named({0}, L"mvTplClassA")), true},
        {"menu ordinal, named class", build(false, named({0xFFFF, 12}, L"mvTplClassB")), true},
        {"menu name, named class", build(false, named({'M', 'n', 0}, L"mvTplClassC")), true},
        {"extended header", build(true, named({0}, L"mvTplClassD")), true},
        {"system class", build(false, {0, 0, 0}), false},
        {"class ordinal", build(false, {0, 0xFFFF, 0x0080, 0}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ATOM atom = RegisterDialogTemplateClass(nullptr, c.words.data());
        EXPECT_EQ(atom != 0, c.registers);
    }
    EXPECT_EQ(RegisterDialogTemplateClass(nullptr, nullptr), 0);
    WNDCLASSW info{};
    EXPECT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), L"mvTplClassC", &info));
}
