#include "search/VQ_RegexpList.h"

#include "foundation/ShutdownFlag.h"
#include "foundation/WorkerThread.h"
#include "search/VQFileReader.h"

#include <algorithm>
#include <climits>
#include <string>

namespace {

constexpr uint32_t kWorkerCheckInterval = 1024;

template <class T>
int MatchBytes(VQ_Regexp<T>& form, const uint8_t* bytes, int64_t units, int& length) {
    const int n = static_cast<int>(std::min<int64_t>(units, INT_MAX));
    return form.Match(reinterpret_cast<const T*>(bytes), n, length);
}

} // namespace

VQ_RegexpList::VQ_RegexpList() {
    m_utf16.m_list = this;
    m_utf8.m_list = this;
    m_ansi.m_list = this;
}

void VQ_RegexpList::Clear() {
    m_utf16.Compile(nullptr, 0, 0);
    m_utf8.Compile(nullptr, 0, 0);
    m_ansi.Compile(nullptr, 0, 0);
}

void VQ_RegexpList::Compile(const mvstring& pattern, bool caseInsensitive) {
    Clear();
    if (pattern.empty())
        return;
    const int flags = RxMultiLine | (caseInsensitive ? RxIgnoreCase : 0);
    m_utf16.Compile(pattern.data(), static_cast<int>(pattern.length()), flags);
    const std::string utf8 = WideToUtf8(pattern);
    if (!utf8.empty())
        m_utf8.Compile(utf8.data(), static_cast<int>(utf8.size()), flags);
    const std::string ansi = WideToAnsi(pattern);
    if (!ansi.empty() && ansi != utf8)
        m_ansi.Compile(ansi.data(), static_cast<int>(ansi.size()), flags);
}

bool VQ_RegexpList::IsAborted() {
    if (IsShuttingDown())
        return true;
    if (m_worker && m_abortCalls++ % kWorkerCheckInterval == 0)
        return m_worker->CheckStop();
    return false;
}

int64_t VQ_RegexpList::Find(int32_t& length, const uint8_t* bytes, int64_t count, int32_t flags) {
    length = 0;
    if (!bytes || count <= 0)
        return -1;
    m_abortCalls = 0;
    int64_t skip = 0;
    if (flags == VQEncUtf16LE && count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        skip = 2;
    else if (flags == VQEncUtf8 && count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB &&
             bytes[2] == 0xBF)
        skip = 3;
    const uint8_t* text = bytes + skip;
    const int64_t n = count - skip;
    int matchLength = 0;
    if ((flags & VQEncUtf16LE) && m_utf16.IsCompiled()) {
        const int at = MatchBytes(m_utf16, text, n / 2, matchLength);
        if (at >= 0) {
            length = 2 * matchLength;
            return skip + 2 * int64_t(at);
        }
    }
    bool utf8Ran = false;
    if ((flags & VQEncUtf8) && m_utf8.IsCompiled()) {
        utf8Ran = true;
        const int at = MatchBytes(m_utf8, text, n, matchLength);
        if (at >= 0) {
            length = matchLength;
            return skip + at;
        }
    }
    if (flags & VQEncAnsi) {
        _regexp<char>* form = m_ansi.IsCompiled()                 ? &m_ansi
                              : (m_utf8.IsCompiled() && !utf8Ran) ? &m_utf8
                                                                  : nullptr;
        if (form) {
            const int at = MatchBytes(*form, text, n, matchLength);
            if (at >= 0) {
                length = matchLength;
                return skip + at;
            }
        }
    }
    return -1;
}
