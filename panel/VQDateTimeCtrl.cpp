#include "panel/VQDateTimeCtrl.h"

#include "ui/core/mvApp.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr std::uint64_t kSecond = 10'000'000;
constexpr std::uint64_t kMinute = 60 * kSecond;

bool IsFormatLetter(wchar_t ch) {
    return std::wstring_view(L"dMygHhmt'").find(ch) != std::wstring_view::npos;
}

mvstring LocaleText(LCTYPE type) {
    wchar_t buffer[128] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128) == 0)
        return mvstring();
    return mvstring(buffer);
}

} // namespace

void RemoveSecondsFromFormat(mvstring& format) {
    std::wstring text{std::wstring_view(format)};
    int quotes = 0;
    for (size_t i = 0; i < text.size();) {
        const wchar_t ch = text[i];
        if (ch == L'\'') {
            ++quotes;
            ++i;
            continue;
        }
        if (ch != L's' || quotes % 2 != 0) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && text[end] == L's')
            ++end;
        size_t start = i;
        while (start > 0 && !IsFormatLetter(text[start - 1]))
            --start;
        text.erase(start, end - start);
        i = start;
    }
    format = mvstring(text);
}

std::uint64_t SystemTimeToCounts(const SYSTEMTIME& time) {
    FILETIME file{};
    if (!SystemTimeToFileTime(&time, &file))
        return 0;
    return (static_cast<std::uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

SYSTEMTIME CountsToSystemTime(std::uint64_t counts) {
    FILETIME file{static_cast<DWORD>(counts), static_cast<DWORD>(counts >> 32)};
    SYSTEMTIME time{};
    if (!FileTimeToSystemTime(&file, &time))
        time = SYSTEMTIME{};
    return time;
}

CVQDateTimeCtrl::~CVQDateTimeCtrl() {
    Detach(true);
}

bool CVQDateTimeCtrl::CreatePicker(HWND parent, int id, DWORD style) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_DATE_CLASSES};
    InitCommonControlsEx(&classes);
    return Create(L"", parent, static_cast<UINT_PTR>(id), 0, 0, 0, 0,
                  style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP, 0,
                  DATETIMEPICK_CLASSW);
}

void CVQDateTimeCtrl::SetFormat(int part, bool useSeconds) {
    if (m_hwnd == nullptr || part < 0 || part > 2)
        return;
    mvstring format;
    if (part != 0) {
        mvstring time = LocaleText(LOCALE_STIMEFORMAT);
        if (!useSeconds)
            RemoveSecondsFromFormat(time);
        if (part == 2) {
            format = LocaleText(LOCALE_SSHORTDATE);
            format += L" ";
            format += time;
        } else {
            format = time;
        }
    }
    if (part == m_part && (part == 0 || format == m_format))
        return;
    if ((part == 1) != (m_part == 1)) {
        // The time style cannot change on a live picker: make it anew.
        HWND before = GetWindow(m_hwnd, GW_HWNDPREV);
        HWND parent = GetParent(m_hwnd);
        const int id = GetDlgCtrlID(m_hwnd);
        const DWORD style = static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_STYLE));
        RECT rect{};
        GetWindowRect(m_hwnd, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        const bool visible = (style & WS_VISIBLE) != 0;
        SYSTEMTIME value{};
        SendMessageW(m_hwnd, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
        Detach(true);
        const DWORD kept =
            (style & WS_DISABLED) | (part == 1 ? DTS_TIMEFORMAT : DTS_SHORTDATECENTURYFORMAT);
        if (!CreatePicker(parent, id, kept))
            return;
        SetWindowPos(m_hwnd, before != nullptr ? before : HWND_TOP, rect.left, rect.top,
                     rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOACTIVATE | SWP_NOSENDCHANGING);
        SendMessageW(m_hwnd, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
        SendMessageW(m_hwnd, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
        if (!visible) // the rows of a collapsed group stay hidden
            ShowWindow(m_hwnd, SW_HIDE);
    }
    m_part = part;
    if (part == 0) {
        m_format.clear();
        SendMessageW(m_hwnd, DTM_SETFORMATW, 0, 0);
    } else {
        m_format = format;
        SendMessageW(m_hwnd, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(m_format.c_str()));
    }
}

void CVQDateTimeCtrl::SetFileTime(std::uint64_t value) {
    if (m_hwnd == nullptr)
        return;
    SYSTEMTIME time = CountsToSystemTime(value);
    SendMessageW(m_hwnd, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

std::uint64_t CVQDateTimeCtrl::GetFileTime(bool useSeconds) const {
    if (m_hwnd == nullptr)
        return 0;
    SYSTEMTIME time{};
    SendMessageW(m_hwnd, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    std::uint64_t value = SystemTimeToCounts(time);
    value -= value % (useSeconds ? kSecond : kMinute);
    return value;
}
