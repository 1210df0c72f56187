#include "app/main/VQStatusBar.h"

#include "app/main/JobState.h"
#include "app/shared/VQUiResources.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "ui/controls/mvImage.h"
#include "ui/theme/GdiHolders.h"
#include "ui/theme/StockIcons.h"
#include "ui/theme/UiTheme.h"

#include <shlwapi.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <string>

namespace {

mvstring SizeText(std::int64_t size) {
    if (size < 0)
        return mvstring();
    wchar_t buffer[64] = {};
    if (Settings().FileSizeFormat == 2)
        StrFormatKBSizeW(size, buffer, 64);
    else
        StrFormatByteSizeW(size, buffer, 64);
    return mvstring(buffer);
}

int Margin() {
    return UiTheme::Get().fonts.spacing.outerMargin.cx;
}

} // namespace

int StatusIconIndex(std::uint8_t state) {
    switch (state) {
    case StatusSearching:
        return 14;
    case StatusLoading:
        return 15;
    case StatusPaused:
        return 17;
    default:
        return -1;
    }
}

mvstring CVQStatusBar::CountText() const {
    if (itemCount < 0)
        return mvstring();
    return GetLangText(L"status", itemCount == 1 ? L"oneitem" : L"items",
                       std::to_wstring(itemCount));
}

mvstring CVQStatusBar::SelectionText() const {
    if (selectedCount < 1 && selectionSize < 0)
        return mvstring();
    const std::wstring count = selectedCount < 1 ? std::wstring() : std::to_wstring(selectedCount);
    return GetLangText(L"status", selectedCount == 1 ? L"seloneitem" : L"selitems", count,
                       SizeText(selectionSize).view());
}

void CVQStatusBar::DrawPartText(HDC dc, const RECT* rect, const mvstring& text) {
    if (text.empty())
        return;
    RECT area = *rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS | DT_END_ELLIPSIS | DT_HIDEPREFIX);
}

void CVQStatusBar::DrawPart(HDC dc, RECT* area, const mvstring& text, COLORREF separator) {
    RECT measure = {0, 0, 0, 0};
    int width = 0;
    if (!text.empty()) {
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure,
                  DT_CALCRECT | DT_SINGLELINE | DT_VCENTER | DT_HIDEPREFIX);
        width = measure.right - measure.left;
    }
    width += 2 * Margin();
    RECT slice = *area;
    slice.left = std::max(area->left, area->right - width);
    if (!text.empty()) {
        RECT textArea = slice;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textArea,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
    }
    const RECT line = {slice.left, slice.top, slice.left + 1, slice.bottom};
    const GdiHandle<HBRUSH> brush(CreateSolidBrush(separator));
    FillRect(dc, &line, brush.Get());
    area->right = slice.left;
}

void CVQStatusBar::DrawContent(HDC dc, RECT* area) {
    const int height = area->bottom - area->top;
    area->right -= height; // the size grip
    COLORREF separator = GetSysColor(COLOR_BTNSHADOW);
    if (const HTHEME theme = OpenTheme(false)) {
        COLORREF edge = 0;
        if (SUCCEEDED(GetThemeColor(theme, 1, 0, TMT_EDGEFILLCOLOR, &edge)))
            separator = edge;
    }
    if (itemCount >= 0)
        DrawPart(dc, area, CountText(), separator);
    if (selectedCount >= 1 || selectionSize >= 0)
        DrawPart(dc, area, SelectionText(), separator);
    area->right -= Margin();

    // The state icon, unless a temporary message shows its own.
    const int index = StatusIconIndex(statusState);
    if (index < 0 || (m_part.icon != nullptr && !m_part.text.empty()))
        return;
    mvimage* strip = m_strip != nullptr ? m_strip : &UiResources().SmallIcons();
    const int iconSize = strip->IsLoaded() ? strip->Height() : 0;
    const int cell = std::max(height, iconSize);
    if (iconSize > 0) {
        const int left = area->left + (cell - iconSize) / 2;
        const int top = area->top + (height - iconSize) / 2;
        const RECT to = {left, top, left + iconSize, top + iconSize};
        const RECT from = {index * iconSize, 0, (index + 1) * iconSize, iconSize};
        strip->DrawRect(dc, &to, &from);
    }
    area->left += cell + 2 - Margin() / 2;
}

void CVQStatusBar::SetState(int code, LPARAM argument, bool redrawNow) {
    SearchJob& job = GlobalSearchJob();
    const wchar_t* key = L"ready";
    const JobKind paused = job.PausedKind();
    const JobKind kind = job.IsRunning() ? static_cast<JobKind>(job.kind.load()) : JobIdle;
    if (paused != JobIdle) {
        key = L"paused";
        statusState = StatusPaused;
    } else if (kind == JobLoadFile) {
        key = L"loading";
        statusState = StatusLoading;
    } else if (kind == JobSearch || kind == JobSearchInResults) {
        key = L"searching";
        statusState = StatusSearching;
    }
    switch (code) {
    case StatusStarted:
        extraText.clear();
        itemCount = selectedCount = 0;
        selectionSize = -1;
        SetPartText(nullptr, nullptr);
        break;
    case StatusFinished:
        key = L"ready";
        extraText.clear();
        statusState = StatusReady;
        itemCount = ResultList::Count(job);
        if (argument != 0)
            SetPartText(GetLangText(L"status", L"canceled").c_str(),
                        UiTheme::Get().icons.GetIcon(StockWarningSmall));
        break;
    case StatusText:
        extraText = argument != 0 ? reinterpret_cast<const wchar_t*>(argument) : L"";
        break;
    case StatusSorting:
        extraText.clear();
        key = L"sorting";
        itemCount = ResultList::Count(job);
        break;
    case StatusGrouping:
        extraText.clear();
        key = L"grouping";
        break;
    default:
        break;
    }
    SetText(GetLangText(L"status", key, extraText.view()));
    const HWND hwnd = Handle();
    if (hwnd != nullptr && IsWindowVisible(hwnd)) {
        InvalidateRect(hwnd, nullptr, FALSE);
        if (redrawNow)
            UpdateWindow(hwnd);
    }
}

void CVQStatusBar::ShowReady() {
    if (IsGlobalJobBusy())
        return;
    SetText(GetLangText(L"status", L"ready"));
}
