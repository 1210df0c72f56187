#include "foundation/mvstring.h"

#include <algorithm>
#include <climits>

namespace {

int ClampLength(std::size_t n) {
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

// CompareStringOrdinal ignoring case; 0 when the system refuses.
int OrdinalNoCase(std::wstring_view a, std::wstring_view b) {
    // An empty text goes as zero-terminated, so its pointer must point at a zero.
    const wchar_t* pa = a.empty() ? L"" : a.data();
    const wchar_t* pb = b.empty() ? L"" : b.data();
    return CompareStringOrdinal(pa, a.empty() ? -1 : ClampLength(a.size()), pb,
                                b.empty() ? -1 : ClampLength(b.size()), TRUE);
}

int ResultToSign(int result) {
    switch (result) {
    case CSTR_LESS_THAN:
        return -1;
    case CSTR_GREATER_THAN:
        return 1;
    default:
        return 0;
    }
}

} // namespace

mvstring::mvstring(const wchar_t* text, size_type length) {
    if (text == nullptr)
        return;
    if (length == 0)
        m_text.assign(text);
    else
        m_text.assign(text, length);
}

mvstring& mvstring::operator=(const mvstring& other) {
    if (this != &other)
        m_text = other.m_text;
    return *this;
}

mvstring& mvstring::operator=(mvstring&& other) noexcept {
    if (this != &other) {
        m_text = std::move(other.m_text);
        other.m_text.clear();
    }
    return *this;
}

mvstring mvstring::Concat(std::wstring_view a, std::wstring_view b) {
    std::wstring text;
    text.reserve(a.size() + b.size());
    text.append(a).append(b);
    return mvstring(std::move(text));
}

int mvstring::Compare(const mvstring& a, const mvstring& b, bool natural) {
    if (!natural)
        return ResultToSign(OrdinalNoCase(a, b));
    return ResultToSign(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_DIGITSASNUMBERS,
                                       a.c_str(), -1, b.c_str(), -1));
}

bool mvstring::EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    return OrdinalNoCase(a, b) == CSTR_EQUAL;
}

void mvstring::SwapBytes() noexcept {
    for (wchar_t& ch : m_text)
        ch = static_cast<wchar_t>(((ch & 0xFF) << 8) | ((ch >> 8) & 0xFF));
}

mvstring& mvstring::StripMenuText(bool keepAmpersands, int dotsMode, int tabMode) {
    if (m_text.empty())
        return *this;

    if (tabMode == 0 || tabMode == 1) {
        const size_type tab = m_text.find(L'\t');
        if (tab == 0) {
            if (tabMode == 1) {
                m_text.clear();
                return *this;
            }
            const size_type runEnd = m_text.find_first_not_of(L'\t');
            if (runEnd != npos) {
                const size_type next = m_text.find(L'\t', runEnd);
                if (next != npos)
                    m_text.resize(next);
            }
        } else if (tab != npos) {
            m_text.resize(tab);
        }
    }

    const size_type lastNonDot = m_text.find_last_not_of(L'.');
    const size_type dots = lastNonDot == npos ? m_text.size() : m_text.size() - lastNonDot - 1;
    if (dots > 0) {
        const bool remove =
            (dotsMode == 0 && dots != 1) || (dotsMode == 1 && dots == 3) || dotsMode == 2;
        if (remove)
            m_text.resize(m_text.size() - dots);
    }

    if (!keepAmpersands) {
        for (size_type i = 0; i < m_text.size();) {
            if (m_text[i] != L'&') {
                ++i;
            } else if (i + 1 < m_text.size() && m_text[i + 1] == L'&') {
                i += 2;
            } else {
                m_text.erase(i, 1);
            }
        }
    }
    return *this;
}

bool mvmap_nocasecompare::operator()(std::wstring_view a, std::wstring_view b) const noexcept {
    return OrdinalNoCase(a, b) == CSTR_LESS_THAN;
}

std::ptrdiff_t CompareFindText(const wchar_t* text, std::size_t textLength, std::size_t start,
                               const wchar_t* needle, std::size_t needleLength) {
    if (start > textLength || needleLength > textLength - start)
        return -1;
    if (needleLength == 0)
        return static_cast<std::ptrdiff_t>(start);
    const wchar_t* end = text + textLength;
    const wchar_t* hit = std::search(text + start, end, needle, needle + needleLength);
    return hit == end ? -1 : hit - text;
}

std::ptrdiff_t FindTextNoCase(std::wstring_view text, std::wstring_view needle) {
    if (needle.empty() || needle.size() > text.size() || needle.size() > INT_MAX)
        return -1;
    const LCID locale = GetThreadLocale();
    const int length = static_cast<int>(needle.size());
    for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
        if (CompareStringW(locale, NORM_IGNORECASE, text.data() + at, length, needle.data(),
                           length) == CSTR_EQUAL)
            return static_cast<std::ptrdiff_t>(at);
    }
    return -1;
}

void LowerCaseInPlace(std::wstring& text) {
    if (text.empty())
        return;
    const int length = ClampLength(text.size());
    LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, text.data(), length, text.data(), length);
}

void SplitString(std::wstring_view text, std::vector<mvstring>& out, std::wstring_view separator) {
    out.clear();
    if (separator.empty()) {
        // Nothing to split on: the whole text is one piece.
        if (!text.empty())
            out.emplace_back(text);
        return;
    }
    std::size_t pos = 0;
    for (;;) {
        const std::ptrdiff_t found =
            CompareFindText(text.data(), text.size(), pos, separator.data(), separator.size());
        if (found < 0) {
            if (pos < text.size())
                out.emplace_back(text.substr(pos));
            return;
        }
        const std::size_t at = static_cast<std::size_t>(found);
        if (at > pos)
            out.emplace_back(text.substr(pos, at - pos));
        pos = at + separator.size();
    }
}

std::wstring_view TrimText(std::wstring_view text, std::wstring_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void SplitList(std::wstring_view text, std::wstring_view separator, std::vector<mvstring>& out,
               bool dropEmpty) {
    SplitString(text, out, separator);
    std::vector<mvstring> kept;
    kept.reserve(out.size());
    for (const mvstring& piece : out) {
        const std::wstring_view trimmed = TrimText(piece.view());
        if (!trimmed.empty() || !dropEmpty)
            kept.emplace_back(trimmed);
    }
    out.swap(kept);
}

int AnsiToWide(mvstring& out, const char* bytes, std::size_t byteCount, UINT codePage) {
    out.clear();
    if (bytes == nullptr || (byteCount == 0 && *bytes == '\0'))
        return 0;
    const int inLength = byteCount == 0 ? -1 : ClampLength(byteCount);
    const int size = MultiByteToWideChar(codePage, 0, bytes, inLength, nullptr, 0);
    if (size <= 0)
        return 0;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int written = MultiByteToWideChar(codePage, 0, bytes, inLength, text.data(), size);
    if (written <= 0)
        return 0;
    text.resize(static_cast<std::size_t>(written));
    // A zero-terminated input converts its terminator too; it is not text.
    if (inLength == -1 && !text.empty() && text.back() == L'\0')
        text.pop_back();
    out = mvstring(std::move(text));
    return static_cast<int>(out.length());
}

namespace {
std::string WideToCodePage(std::wstring_view text, UINT codePage) {
    if (text.empty())
        return {};
    const int inLength = ClampLength(text.size());
    const int size =
        WideCharToMultiByte(codePage, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const int written = WideCharToMultiByte(codePage, 0, text.data(), inLength, bytes.data(), size,
                                            nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return bytes;
}
} // namespace

std::string WideToAnsi(std::wstring_view text) {
    return WideToCodePage(text, CP_ACP);
}
std::string WideToUtf8(std::wstring_view text) {
    return WideToCodePage(text, CP_UTF8);
}
