#include "ui/dialogs/mvMessageBox.h"

#include "foundation/Language.h"
#include "ui/core/Measure.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/mvApp.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// What the test does once the box is up; the box is ended by Escape after
// about three seconds when the action leaves it open, so that a fault shows
// as a wrong result, not a hang.
std::function<void(HWND)> g_act;
int g_ticks = 0;

// The box of this thread (boxes of other test processes share the display).
HWND FindBox() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            wchar_t name[32] = {};
            GetClassNameW(hwnd, name, 32);
            if (std::wstring(name) != L"mvMsgBox00")
                return TRUE;
            *reinterpret_cast<HWND*>(data) = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    const HWND box = FindBox();
    if (box == nullptr || !IsWindowVisible(box))
        return;
    if (g_act) {
        auto act = std::move(g_act);
        g_act = nullptr;
        act(box);
    } else if (++g_ticks > 150) {
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }
}

int RunBox(std::function<int()> show, std::function<void(HWND)> act) {
    g_act = std::move(act);
    g_ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnTick);
    const int result = show();
    KillTimer(nullptr, timer);
    g_act = nullptr;
    return result;
}

int Show(const wchar_t* text, UINT type, std::function<void(HWND)> act) {
    return RunBox([&] { return ShowMessageBox(text, type); }, std::move(act));
}

void PressKey(HWND box, WPARAM key) {
    HWND focus = GetFocus();
    PostMessageW(focus != nullptr ? focus : box, WM_KEYDOWN, key, 0);
}

struct ShownButton {
    int id;
    std::wstring caption;
    LONG left;
    bool libraryButton; // bound to the library's push button
};

// The visible buttons of the box, left to right.
std::vector<ShownButton> Buttons(HWND box) {
    std::vector<ShownButton> shown;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        wchar_t text[64] = {};
        GetWindowTextW(child, text, 64);
        RECT rect{};
        GetWindowRect(child, &rect);
        shown.push_back({GetDlgCtrlID(child), text, rect.left,
                         dynamic_cast<mvButton*>(mvWnd::FromHandle(child)) != nullptr});
    }
    std::sort(shown.begin(), shown.end(),
              [](const ShownButton& a, const ShownButton& b) { return a.left < b.left; });
    return shown;
}

std::vector<int> Ids(const std::vector<ShownButton>& buttons) {
    std::vector<int> ids;
    for (const ShownButton& b : buttons)
        ids.push_back(b.id);
    return ids;
}

RECT WindowRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

// Resets every custom caption when the test ends.
struct CaptionReset {
    ~CaptionReset() {
        SetMessageBoxButtonTexts(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr);
    }
};

} // namespace

TEST(mvMessageBox, ButtonSetsRunFromTheRightAndUnknownTypesHaveNone) {
    struct Case {
        UINT type;
        MessageBoxButtonSet set;
    } cases[] = {
        {MB_OK, {{IDOK, 0, 0}, 1}},
        {MB_OKCANCEL, {{IDCANCEL, IDOK, 0}, 2}},
        {MB_ABORTRETRYIGNORE, {{IDIGNORE, IDRETRY, IDABORT}, 3}},
        {MB_YESNOCANCEL | MB_ICONERROR | MB_DEFBUTTON2, {{IDCANCEL, IDNO, IDYES}, 3}},
        {MB_YESNO, {{IDNO, IDYES, 0}, 2}},
        {MB_RETRYCANCEL, {{IDCANCEL, IDRETRY, 0}, 2}},
        {MB_CANCELTRYCONTINUE, {{IDCONTINUE, IDTRYAGAIN, IDCANCEL}, 3}},
        {9, {{IDCONTINUE, 0, 0}, 1}},
        {7, {{0, 0, 0}, 0}},
        {15, {{0, 0, 0}, 0}},
    };
    for (const Case& c : cases) {
        const MessageBoxButtonSet set = GetButtonSet(c.type);
        EXPECT_EQ(set.count, c.set.count) << c.type;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(set.ids[i], c.set.ids[i]) << c.type << " slot " << i;
    }
}

TEST(mvMessageBox, CustomCaptionsReplaceTheDefaultsUntilCleared) {
    CaptionReset reset;
    const mvstring defaultYes = SetButtonText(IDYES, nullptr);
    EXPECT_FALSE(defaultYes.empty());
    if (!InitButtonTexts()) { // the system gives none: the built-in captions
        EXPECT_EQ(defaultYes, L"&Yes");
    }
    EXPECT_EQ(SetButtonText(IDYES, L"&Ja"), L"&Ja");
    EXPECT_EQ(SetButtonText(IDYES, nullptr), L"&Ja");
    EXPECT_EQ(SetButtonText(IDYES, L""), defaultYes);
    EXPECT_EQ(SetButtonText(99, L"x"), L"");

    SetMessageBoxButtonTexts(L"ok", L"cancel", L"yes", L"no", L"continue", L"abort", L"retry",
                             L"ignore", L"tryagain");
    const std::pair<int, const wchar_t*> expected[] = {
        {IDOK, L"ok"},       {IDCANCEL, L"cancel"},     {IDYES, L"yes"},
        {IDNO, L"no"},       {IDCONTINUE, L"continue"}, {IDABORT, L"abort"},
        {IDRETRY, L"retry"}, {IDIGNORE, L"ignore"},     {IDTRYAGAIN, L"tryagain"}};
    for (const auto& [id, text] : expected)
        EXPECT_EQ(SetButtonText(id, nullptr), text) << id;
    SetMessageBoxButtonTexts(nullptr, L"", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr);
    EXPECT_EQ(SetButtonText(IDYES, nullptr), defaultYes);
}

TEST(mvMessageBox, EscapeAndEnterGiveTheSetsAnswerAndTheDefaultButton) {
    struct Case {
        UINT type;
        WPARAM key;
        int expected;
        std::vector<int> shown; // left to right
    } cases[] = {
        {MB_YESNO, VK_ESCAPE, IDNO, {IDYES, IDNO}},
        {MB_OK, VK_ESCAPE, IDOK, {IDOK}},
        {MB_OKCANCEL, VK_ESCAPE, IDCANCEL, {IDOK, IDCANCEL}},
        {MB_ABORTRETRYIGNORE, VK_ESCAPE, IDABORT, {IDABORT, IDRETRY, IDIGNORE}},
        {MB_YESNOCANCEL, VK_ESCAPE, IDCANCEL, {IDYES, IDNO, IDCANCEL}},
        {MB_YESNOCANCEL, VK_RETURN, IDYES, {IDYES, IDNO, IDCANCEL}},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, VK_RETURN, IDNO, {IDYES, IDNO, IDCANCEL}},
        {MB_YESNO | MB_DEFBUTTON3, VK_RETURN, IDYES, {IDYES, IDNO}},
        {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3,
         VK_RETURN,
         IDCONTINUE,
         {IDCANCEL, IDTRYAGAIN, IDCONTINUE}},
        {MB_RETRYCANCEL | MB_ICONERROR, VK_RETURN, IDRETRY, {IDRETRY, IDCANCEL}},
    };
    for (const Case& c : cases) {
        std::vector<int> shown;
        const int result = Show(L"Question?", c.type, [&](HWND box) {
            shown = Ids(Buttons(box));
            PressKey(box, c.key);
        });
        EXPECT_EQ(result, c.expected) << c.type << " key " << c.key;
        EXPECT_EQ(shown, c.shown) << c.type;
    }
}

TEST(mvMessageBox, ButtonsShowTheLanguageCaptionsAndClickingEndsWithTheirId) {
    CaptionReset reset;
    TempDir dir;
    const std::wstring file = dir.WriteFile(L"deutsch.ini", "\xEF\xBB\xBF[.info]\nname = Deutsch\n"
                                                            "[global]\nabort = &Abbrechen\n"
                                                            "ignore = &Ignorieren\n"
                                                            "retry = &Wiederholen\n");
    ASSERT_TRUE(Language().SetLanguageFile(file));
    SetMessageBoxButtonTexts(
        GetLangText(L"global", L"ok").c_str(), GetLangText(L"global", L"cancel").c_str(),
        GetLangText(L"global", L"yes").c_str(), GetLangText(L"global", L"no").c_str(),
        GetLangText(L"global", L"continue").c_str(), GetLangText(L"global", L"abort").c_str(),
        GetLangText(L"global", L"retry").c_str(), GetLangText(L"global", L"ignore").c_str(),
        GetLangText(L"global", L"tryagain").c_str());
    std::vector<ShownButton> shown;
    const int result = Show(L"Retry?", MB_ABORTRETRYIGNORE, [&](HWND box) {
        shown = Buttons(box);
        PostMessageW(GetDlgItem(box, IDRETRY), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, IDRETRY);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].caption, GetLangText(L"global", L"abort").str());
    EXPECT_EQ(shown[1].caption, GetLangText(L"global", L"retry").str());
    EXPECT_EQ(shown[2].caption, GetLangText(L"global", L"ignore").str());
    EXPECT_EQ(shown[0].caption, L"&Abbrechen");
    for (const ShownButton& b : shown)
        EXPECT_TRUE(b.libraryButton) << b.id;
}

TEST(mvMessageBox, YesNoCancelWithOwnCaptionsLeavesTheLanguageCaptionsInForce) {
    CaptionReset reset;
    SetMessageBoxButtonTexts(nullptr, L"Abbrechen", L"&Ja", L"&Nein", nullptr, nullptr, nullptr,
                             nullptr, nullptr);
    std::vector<ShownButton> shown;
    const int result =
        RunBox([] { return ShowMessageBoxYesNoCancel(L"Save changes?", L"&Save", L"&Discard"); },
               [&](HWND box) {
                   shown = Buttons(box);
                   PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
               });
    EXPECT_EQ(result, IDNO);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].caption, L"&Save");
    EXPECT_EQ(shown[1].caption, L"&Discard");
    EXPECT_EQ(shown[2].caption, L"Abbrechen");
    EXPECT_EQ(SetButtonText(IDYES, nullptr), L"&Ja");
    EXPECT_EQ(SetButtonText(IDNO, nullptr), L"&Nein");
    EXPECT_EQ(SetButtonText(IDCANCEL, nullptr), L"Abbrechen");
}

TEST(mvMessageBox, TheCaptionIsTheApplicationNameElseTheProgramFile) {
    auto caption = [] {
        std::wstring shown;
        Show(L"a", MB_OK, [&](HWND box) {
            wchar_t text[128] = {};
            GetWindowTextW(box, text, 128);
            shown = text;
            PressKey(box, VK_RETURN);
        });
        return shown;
    };
    EXPECT_EQ(caption(), L"ui_tests.exe");
    mvApp app(L"Vel&quin");
    EXPECT_EQ(caption(), L"Velquin");
}

TEST(mvMessageBox, TextSizesTheBoxWrappingLongLinesAtTheTextLimit) {
    int shortClient = 0;
    HFONT font = nullptr;
    auto measure = [&](const wchar_t* text, UINT type) {
        RECT rect{};
        Show(text, type, [&](HWND box) {
            rect = WindowRect(box);
            RECT client{};
            GetClientRect(box, &client);
            if (shortClient == 0)
                shortClient = client.right;
            font = mvWnd::FromHandle(box)->Font();
            PressKey(box, VK_RETURN);
        });
        return rect;
    };
    const RECT shortBox = measure(L"x", MB_OK);
    const RECT blankLines = measure(L"\r\n\n\r\n", MB_OK);
    const RECT leading = measure(L"\r\n\r\nx", MB_OK);
    const RECT fourLines = measure(L"x\ny\nz\nw", MB_OK);
    std::wstring words;
    for (int i = 0; i < 150; ++i)
        words += L"word ";
    const RECT wrapped = measure(words.c_str(), MB_OK);
    const int limit = PackedX(DialogUnitsToPixels(PackXY(278, 0), font));

    // Blank lines in front are dropped; nothing but line breaks is one line.
    EXPECT_EQ(blankLines.bottom - blankLines.top, shortBox.bottom - shortBox.top);
    EXPECT_EQ(leading.bottom - leading.top, shortBox.bottom - shortBox.top);
    EXPECT_GT(fourLines.bottom - fourLines.top, shortBox.bottom - shortBox.top);
    // A long text is wrapped at the limit: the box is as wide as the limit
    // and the margins and icon cell around the text allow, and taller.
    const int mx = UiTheme::Get().fonts.spacing.outerMargin.cx;
    const int cell = PackedX(UiTheme::Get().icons.GetSize(StockInfoLarge));
    const int frames = (shortBox.right - shortBox.left) - shortClient;
    const int around = 5 * mx + cell + frames;
    EXPECT_LE(wrapped.right - wrapped.left, limit + around);
    EXPECT_GT(wrapped.right - wrapped.left, limit * 3 / 4 + around);
    EXPECT_GT(wrapped.bottom - wrapped.top, fourLines.bottom - fourLines.top);
}

TEST(mvMessageBox, AnUnknownButtonSetShowsNoButtonAndEscapeCancels) {
    std::vector<ShownButton> shown;
    const int result = Show(L"No buttons", 7, [&](HWND box) {
        shown = Buttons(box);
        PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(shown.empty());
}

namespace {

bool ClipboardHasText() {
    return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
}

void SendControl(bool down) {
    INPUT control{};
    control.type = INPUT_KEYBOARD;
    control.ki.wVk = VK_CONTROL;
    control.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &control, sizeof(INPUT));
}

// Presses Ctrl+C on the box every tick until the clipboard holds a text (or
// two seconds passed), since windows of tests running beside this one may
// take the foreground and the key for a moment; then closes the box.
void CALLBACK PressCopy(HWND, UINT, UINT_PTR id, DWORD) {
    static int attempts = 0;
    const HWND box = FindBox();
    if (box == nullptr)
        return;
    if (ClipboardHasText() || ++attempts > 40) {
        KillTimer(nullptr, id);
        SendControl(false);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    SetForegroundWindow(box);
    SendControl(true);
    PressKey(box, 'C');
}

} // namespace

TEST(mvMessageBoxInput, CtrlCCopiesExactlyTheText) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    Show(L"\r\nabc", MB_OK, [](HWND) { SetTimer(nullptr, 0, 50, PressCopy); });
    std::wstring copied;
    ASSERT_TRUE(OpenClipboard(nullptr));
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        copied = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    EXPECT_EQ(copied, L"abc");
}

TEST(mvMessageBox, ACountdownPressesItsButtonAndSetsTheCheckBox) {
    mvMessageBox box;
    box.m_type = MB_OKCANCEL;
    box.m_text = L"Closing soon";
    box.m_caption = L"Countdown";
    box.m_checkText = L"Do not ask again";
    box.m_countDownSeconds = 2;
    box.m_countDownButton = IDCANCEL;
    box.m_countDownCheck = BST_CHECKED;
    std::wstring caption;
    bool checkShown = false;
    const int result = RunBox([&] { return static_cast<int>(box.DoModal(nullptr)); },
                              [&](HWND shown) {
                                  wchar_t text[64] = {};
                                  GetWindowTextW(GetDlgItem(shown, IDCANCEL), text, 64);
                                  caption = text;
                                  checkShown =
                                      IsWindowVisible(GetDlgItem(shown, mvMessageBox::kCheckBoxId));
                              });
    EXPECT_EQ(result, IDCANCEL);
    // The seconds left as the box was first seen: a busy machine may see it
    // a tick late.
    const std::wstring button = SetButtonText(IDCANCEL, nullptr).str();
    EXPECT_TRUE(caption == button + L" (2)" || caption == button + L" (1)") << caption;
    EXPECT_TRUE(checkShown);
    EXPECT_TRUE(box.m_checked);
}
