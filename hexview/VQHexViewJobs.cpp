#include "hexview/VQHexViewJobs.h"

#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "hexview/VQHexViewDialogs.h"
#include "ui/core/NumberText.h"
#include "ui/dialogs/mvMessageBox.h"
#include "ui/theme/UiTheme.h"

#include <algorithm>
#include <set>

// --- the job -------------------------------------------------------------

bool CVQHexViewPanel::_workThread::StopRequested(void* parameter) {
    auto* job = static_cast<_workThread*>(parameter);
    return job->worker.CheckStop() || IsShuttingDown();
}

DWORD WINAPI CVQHexViewPanel::_workThread::ThreadProc(void* parameter) {
    auto* job = static_cast<_workThread*>(parameter);
    if (job->holdMs != 0)
        Sleep(job->holdMs);
    if (job->kind == Copy) {
        job->copyEnd = FillHexCopyText(job->plan, job->panel->Reader(), job->text, StopRequested,
                                       job);
    } else if (job->kind == Find) {
        CVQHexViewPanel& panel = *job->panel;
        int32_t length = 0;
        const int64_t start =
            std::max<int64_t>(panel.m_caret, 0) + (panel.m_anchor >= 0 ? 1 : 0);
        int64_t found = panel.FindInFile(length, start, -1);
        // Then from the start up to where the first pass began.
        if (found < 0 && start > 0 && !job->worker.StopRequested())
            found = panel.FindInFile(length, 0, start);
        job->value = found;
        job->extra = found >= 0 ? length : 0;
    }
    return 0;
}

void CVQHexViewPanel::_workThread::RunWithCancel() {
    HWND panelWnd = panel->Handle();
    HWND owner = GetParent(panelWnd);
    SendMessageW(panelWnd, WM_SETREDRAW, FALSE, 0);
    panel->m_jobRunning = true;
    panel->SetWorker(&worker);
    if (worker.Start(ThreadProc, this) &&
        WaitForSingleObject(worker.Handle(), kQuietWaitMs) == WAIT_TIMEOUT) {
        _cancelDlg dialog(this);
        if (dialog.CreateDialogWindow(owner)) {
            if (owner != nullptr)
                EnableWindow(owner, FALSE);
            ShowWindow(dialog.Handle(), SW_SHOW);
        }
        for (;;) {
            if (dialog.cancelled) {
                worker.Stop(INFINITE);
                break;
            }
            HANDLE thread = worker.Handle();
            const DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
            if (wait == WAIT_OBJECT_0)
                break;
            if (wait != WAIT_OBJECT_0 + 1)
                continue;
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    // Leave the quit for the modal loop that waits for it.
                    PostQuitMessage(static_cast<int>(msg.wParam));
                    dialog.cancelled = true;
                    break;
                }
                if (msg.hwnd != nullptr && dialog.Handle() != nullptr &&
                    ::IsDialogMessageW(dialog.Handle(), &msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (owner != nullptr) {
            EnableWindow(owner, TRUE);
            SetActiveWindow(owner);
        }
        if (dialog.Handle() != nullptr)
            DestroyWindow(dialog.Handle());
    }
    panel->SetWorker(nullptr);
    panel->m_jobRunning = false;
    SendMessageW(panelWnd, WM_SETREDRAW, TRUE, 0);
    panel->Redraw(false);
}

// --- the cancel dialog -----------------------------------------------------

CVQHexViewPanel::_workThread::_cancelDlg::_cancelDlg(_workThread* job) : job(job) {
    InitTemplate(190, 28, true, 1);
    AppendTemplateItem(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 133, 7, 50, 14,
                       IDCANCEL, 0x0080);
    // No close box: Cancel is the one way out, and it waits for the thread.
    ModifyTemplateStyle(WS_SYSMENU, 0);
}

int CVQHexViewPanel::_workThread::_cancelDlg::OnInitDialog() {
    cancelButton.SubclassDlgItem(m_hwnd, IDCANCEL);
    CVQBaseDlg::OnInitDialog();
    SetWindowTextW(cancelButton.Handle(), GetLangText(L"global", L"cancel").c_str());
    const mvstring title = job->kind == Copy   ? GetLangText(L"hexview", L"info_copying")
                           : job->kind == Find ? GetLangText(L"hexview", L"info_finding")
                                               : mvstring(L"Velquin");
    SetWindowTextW(m_hwnd, title.c_str());

    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    RECT button{};
    GetWindowRect(cancelButton.Handle(), &button);
    const int buttonWidth = button.right - button.left, buttonHeight = button.bottom - button.top;
    const int line = GetTextHeight(Font());
    const int contentWidth = buttonWidth * 36 / 10;
    const int contentHeight = std::max(buttonHeight, 2 * line + 2);
    RECT window{0, 0, contentWidth + 2 * spacing.outerMargin.cx,
                contentHeight + 2 * spacing.outerMargin.cy};
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_EXSTYLE)));
    SetWindowPos(m_hwnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow();
    SetWindowPos(cancelButton.Handle(), nullptr,
                 spacing.outerMargin.cx + contentWidth - buttonWidth,
                 spacing.outerMargin.cy + (contentHeight - buttonHeight) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

void CVQHexViewPanel::_workThread::_cancelDlg::PaintContent(HDC dc, const RECT*) {
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    RECT client{}, button{};
    GetClientRect(m_hwnd, &client);
    GetWindowRect(cancelButton.Handle(), &button);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&button), 2);
    RECT text{spacing.outerMargin.cx, spacing.outerMargin.cy, button.left - spacing.innerSpacing.cx,
              client.bottom - spacing.outerMargin.cy};
    const mvstring info = GetLangText(L"hexview", L"info_cancel");
    HGDIOBJ old = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SystemLook() ? GetSysColor(COLOR_BTNTEXT) : ThemeColour(ThemeText));
    const UINT format = DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOPREFIX | DT_EDITCONTROL;
    RECT measured = text;
    DrawTextW(dc, info.c_str(), -1, &measured, format | DT_CALCRECT);
    const int height = std::min(measured.bottom - measured.top, text.bottom - text.top);
    text.top += (text.bottom - text.top - height) / 2;
    DrawTextW(dc, info.c_str(), -1, &text, format);
    SelectObject(dc, old);
}

LRESULT CVQHexViewPanel::_workThread::_cancelDlg::WindowProc(UINT message, WPARAM wParam,
                                                             LPARAM lParam) {
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
        cancelled = true;
        return 0;
    }
    return CVQBaseDlg::WindowProc(message, wParam, lParam);
}

// --- clipboard -------------------------------------------------------------

UINT HexCopyFormat(const HexCopyPlan& plan) {
    return plan.unicode && !plan.asHex && !plan.selection.block ? CF_UNICODETEXT : CF_TEXT;
}

bool SetClipboardText(HWND owner, UINT format, GlobalMemory memory) {
    if (!memory)
        return false;
    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int attempt = 0; attempt < 20 && !(open = OpenClipboard(owner) != FALSE); ++attempt)
        Sleep(10);
    if (!open)
        return false;
    bool set = false;
    if (EmptyClipboard() && SetClipboardData(format, memory.Get()) != nullptr) {
        (void)memory.Release(); // the clipboard's now
        set = true;
    }
    CloseClipboard();
    return set;
}

// --- the panel's operations -------------------------------------------------

namespace {

// Whether the system can commit that much memory now. An allocation alone
// does not tell: where memory is committed only when touched, a far too
// large one succeeds and the copy would fail half-way, or worse.
bool MemoryCanHold(uint64_t size) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return size <= SIZE_MAX && (!GlobalMemoryStatusEx(&status) || size <= status.ullAvailPageFile);
}

} // namespace

bool CVQHexViewPanel::CopySelectionToClipboard(bool asHex) {
    HexCopyPlan plan;
    plan.selection = Selection();
    plan.asHex = asHex;
    plan.unicode = !asHex && !plan.selection.block && Reader().Flags() == VQEncUtf16LE;
    // The size comes from the selection alone: the question is asked before
    // anything is read or allocated.
    const uint64_t size = plan.TextSize();
    if (size == 0)
        return false;
    HWND owner = m_hwnd != nullptr ? GetParent(m_hwnd) : nullptr;
    if (size > Settings().HexviewMaxCopyBytes) {
        const mvstring question = GetLangText(
            L"hexview", L"warn_copyhuge", FormatByteSize(static_cast<int64_t>(size)).c_str());
        if (ShowMessageBox(question.c_str(), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return false;
    }
    // All the memory first: a copy that cannot have it is refused whole,
    // before any byte is read.
    GlobalMemory memory(MemoryCanHold(size) ? GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size))
                                             : nullptr);
    void* locked = memory ? GlobalLock(memory.Get()) : nullptr;
    if (locked == nullptr) {
        const mvstring refusal = GetLangText(L"hexview", L"err_copymemory",
                                             FormatByteSize(static_cast<int64_t>(size)).c_str());
        ShowMessageBox(refusal.c_str(), MB_ICONERROR);
        return false;
    }
    _workThread job(_workThread::Copy, this);
    job.plan = plan;
    job.text = static_cast<uint8_t*>(locked);
    job.holdMs = m_testJobHoldMs;
    job.RunWithCancel();
    job.Release();
    GlobalUnlock(memory.Get());
    if (job.copyEnd != HexCopyEnd::Done) {
        if (job.copyEnd == HexCopyEnd::ReadFailed)
            SetNotice(HexFileNotice::Unreadable);
        return false;
    }
    // Only now is the clipboard opened: never held while the text is made.
    return SetClipboardText(owner, HexCopyFormat(plan), std::move(memory));
}

void CVQHexViewPanel::SetFindText(const mvstring& text, bool ignoreCase, bool hex) {
    m_findText = text;
    m_ignoreCase = ignoreCase;
    m_findHex = hex;
    // The whole text is one pattern, not split into words.
    SetSearch(std::set<mvstring>{text}, ignoreCase, AllWords, hex);
}

bool CVQHexViewPanel::FindWithDialog() {
    mvstring text = m_findText;
    bool matchCase = !m_ignoreCase, hex = m_findHex;
    if (!AskHexviewFind(m_hwnd != nullptr ? GetParent(m_hwnd) : nullptr, text, matchCase, hex))
        return false;
    SetFindText(text, !matchCase, hex);
    FindNext();
    return true;
}

void CVQHexViewPanel::FindNext() {
    if (!HasFile())
        return;
    if (m_findText.empty()) {
        FindWithDialog();
        return;
    }
    _workThread job(_workThread::Find, this);
    job.holdMs = m_testJobHoldMs;
    job.RunWithCancel();
    job.Release();
    const int64_t oldCaret = m_caret, oldAnchor = m_anchor;
    const int64_t found = job.value;
    m_anchor = found;
    if (found >= 0) {
        if (job.extra < 1) {
            m_caret = found;
            m_anchor = -1;
        } else {
            m_caret = found + job.extra - 1;
        }
    }
    if (m_caret == oldCaret && m_anchor == oldAnchor)
        return;
    ScrollToOffset(m_caret, false, false);
    Redraw(false);
    UpdateCaret(false);
    PostStatusRefresh();
}
