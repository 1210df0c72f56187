#include "panel/VQSizeEdit.h"

#include "foundation/Numbers.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

wchar_t g_separator = 0;

constexpr int kMaxSizeChars = 32;

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

mvstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return mvstring(text.c_str(), text.size());
}

} // namespace

wchar_t SizeDecimalSeparator() {
    if (g_separator == 0) {
        g_separator = L'.';
        const lconv* conventions = localeconv();
        if (conventions != nullptr && conventions->decimal_point != nullptr &&
            conventions->decimal_point[0] != 0) {
            wchar_t wide = 0;
            if (mbtowc(&wide, conventions->decimal_point, MB_CUR_MAX) > 0 && wide != 0)
                g_separator = wide;
        }
    }
    return g_separator;
}

mvstring CleanSizeText(std::wstring_view text, wchar_t separator) {
    std::wstring clean;
    bool haveSeparator = false;
    for (wchar_t ch : text) {
        if (IsDigit(ch)) {
            clean.push_back(ch);
        } else if (ch == separator && !haveSeparator) {
            clean.push_back(ch);
            haveSeparator = true;
        }
    }
    return mvstring(clean.c_str(), clean.size());
}

CVQSizeEdit::CVQSizeEdit() {
    SizeDecimalSeparator();
}

CVQSizeEdit::~CVQSizeEdit() {
    Detach(true);
}

void CVQSizeEdit::OnAttached() {
    mvEdit::OnAttached();
    SendMessageW(m_hwnd, EM_LIMITTEXT, kMaxSizeChars, 0);
}

bool CVQSizeEdit::SetValue(double value) {
    if (m_hwnd == nullptr)
        return false;
    const mvstring text = FormatDouble(value);
    SetWindowTextW(m_hwnd, text.c_str());
    return true;
}

double CVQSizeEdit::GetValue() const {
    if (m_hwnd == nullptr)
        return 0;
    const mvstring text = WindowText(m_hwnd);
    if (text.empty())
        return 0;
    return wcstod(text.c_str(), nullptr);
}

bool CVQSizeEdit::HasValidText() const {
    if (m_hwnd == nullptr)
        return true;
    const mvstring text = WindowText(m_hwnd);
    if (text.empty())
        return true;
    wchar_t* end = nullptr;
    wcstod(text.c_str(), &end);
    return end != nullptr && *end == 0 && end != text.c_str();
}

LRESULT CVQSizeEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const wchar_t separator = SizeDecimalSeparator();
    switch (message) {
    case WM_CHAR: {
        const wchar_t ch = static_cast<wchar_t>(wParam);
        if ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0 || ch == 8 || IsDigit(ch))
            break;
        if (ch == separator) {
            const mvstring text = WindowText(m_hwnd);
            const size_t at = std::wstring_view(text).find(separator);
            if (at == std::wstring_view::npos)
                break;
            DWORD start = 0, end = 0;
            SendMessageW(m_hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            // Typing over the separator that is there replaces it.
            if (at >= start && at < end)
                break;
        }
        return 0;
    }
    case WM_SETTEXT:
        if (lParam != 0) {
            const mvstring clean =
                CleanSizeText(reinterpret_cast<const wchar_t*>(lParam), separator);
            return mvEdit::WindowProc(message, wParam, reinterpret_cast<LPARAM>(clean.c_str()));
        }
        break;
    case WM_PASTE: {
        const LRESULT result = mvEdit::WindowProc(message, wParam, lParam);
        const mvstring text = WindowText(m_hwnd);
        const mvstring clean = CleanSizeText(text, separator);
        if (std::wstring_view(clean) != std::wstring_view(text)) {
            DWORD caret = 0;
            SendMessageW(m_hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
            // The caret moves back by what was removed before it.
            const size_t end = std::min<size_t>(caret, text.length());
            const mvstring before =
                CleanSizeText(std::wstring_view(text).substr(0, end), separator);
            const size_t removed = end - before.length();
            mvEdit::WindowProc(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(clean.c_str()));
            const DWORD at = static_cast<DWORD>(caret - removed);
            SendMessageW(m_hwnd, EM_SETSEL, at, at);
        }
        return result;
    }
    default:
        break;
    }
    return mvEdit::WindowProc(message, wParam, lParam);
}
