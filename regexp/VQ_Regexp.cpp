#include "regexp/VQ_Regexp.h"

namespace {
// Stacks that grew beyond this many entries are freed after the match.
constexpr size_t kKeptStackEntries = size_t(1) << 20;
} // namespace

template <class T> VQ_Regexp<T>::~VQ_Regexp() {
    this->Clear();
}

template <class T> void VQ_Regexp<T>::Compile(const T* pattern, int length, int flags) {
    m_compiled = false;
    if (!pattern || length <= 0)
        return;
    this->Clear();
    this->Build(RxBufferView<T>(pattern, length), flags);
    m_compiled = true;
}

template <class T> int VQ_Regexp<T>::Match(const T* text, int length, int& matchLength) {
    matchLength = 0;
    m_lastCaptures.Clear();
    if (m_compiled && this->Root() && (text || length == 0) && length >= 0) {
        RegexMatchContext& c = m_context;
        c.Reset();
        c.text = text;
        c.length = length;
        c.position = c.searchStart = (this->Flags() & RxRightToLeft) ? length : 0;
        c.budget = RegexMatchContext::kRecursionBudget;
        c.halted = false;
        c.steps = 0;
        this->RunMatch(c, m_lastCaptures);
        for (RxBuffer<int>* b : {&c.backtrack, &c.captures, &c.captureIndex,
                                 static_cast<RxBuffer<int>*>(&c.scratch)}) {
            if (b->Capacity() > kKeptStackEntries)
                b->Release();
        }
        c.text = nullptr;
    }
    if (m_lastCaptures.Size() > 2 && m_lastCaptures[2] >= 0) {
        const int len = m_lastCaptures[3] - m_lastCaptures[2];
        matchLength = len > 0 ? len : 0;
        return m_lastCaptures[2];
    }
    return -1;
}

template class VQ_Regexp<char>;
template class VQ_Regexp<wchar_t>;
