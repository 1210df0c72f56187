// The compiled regular expression the rest of the program holds: one pattern for 16-bit
// text (wchar_t) or 8-bit text (char), the captures of its last match, and the IsAborted
// question through which a long match can be abandoned.
#pragma once

#include "regexp/RxMachine.h"

template <class T> class VQ_Regexp : public RxMachine<T> {
public:
    VQ_Regexp() = default;
    ~VQ_Regexp() override;

    // Compiles the pattern with the flags (RxFlags). An empty pattern leaves the object
    // uncompiled; then Match finds nothing.
    void Compile(const T* pattern, int length, int flags);
    bool IsCompiled() const { return m_compiled; }

    // Start of the first match in text[0 .. length), or -1; matchLength gets its length
    // (0 when there is none). The start is the smaller end also when matching right to left.
    int Match(const T* text, int length, int& matchLength);

    // The last match: entry 0 = 1, entry 1 = group count N, then (start, end) for groups
    // 0..N, (-1, -1) for a group that took no part. Empty after a failed match.
    const RxBuffer<int>& LastCaptures() const { return m_lastCaptures; }

    // Caps the entries of each match stack; a match that needs more ends with no result,
    // as when memory runs out.
    void SetStackLimit(size_t entries) { m_context.SetStackLimit(entries); }

private:
    bool m_compiled = false;
    RxBuffer<int> m_lastCaptures;
    RegexMatchContext m_context; // its storage is kept between calls
};
