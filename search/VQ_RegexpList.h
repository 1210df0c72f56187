// The regular-expression content search: one pattern compiled for UTF-16
// text, for UTF-8 text and, when its bytes differ, for the ANSI code page, each
// form tried on the encodings a file may be in.
#pragma once

#include "foundation/mvstring.h"
#include "regexp/VQ_Regexp.h"

#include <cstdint>

class WorkerThread;

class VQ_RegexpList {
public:
    // A compiled form that gives up when the owner's worker is told to stop
    // (waiting first while it is paused) or the program shuts down.
    template <class T> class _regexp : public VQ_Regexp<T> {
    public:
        bool IsAborted() override { return m_list && m_list->IsAborted(); }
        VQ_RegexpList* m_list = nullptr;
    };

    VQ_RegexpList();
    VQ_RegexpList(const VQ_RegexpList&) = delete;
    VQ_RegexpList& operator=(const VQ_RegexpList&) = delete;

    // Compiles the forms, multi-line and, when asked, ignoring case. An empty
    // pattern leaves all three uncompiled.
    void Compile(const mvstring& pattern, bool caseInsensitive);
    // Marks all three forms uncompiled.
    void Clear();
    bool IsCompiled() const noexcept {
        return m_utf16.IsCompiled() || m_utf8.IsCompiled() || m_ansi.IsCompiled();
    }

    // Byte offset of the first match in the buffer, or -1; `length` gets the
    // match's length in bytes (0 when none). The forms are tried in order
    // until one matches: UTF-16 (flag 1), UTF-8 (flag 2), then for flag 4 the
    // ANSI form, or the UTF-8 form when there is no ANSI form and it has not
    // run yet. A byte-order mark is skipped when the flags name its encoding
    // alone. Binary (0) and UTF-16BE-only (8) buffers never match.
    int64_t Find(int32_t& length, const uint8_t* bytes, int64_t count, int32_t flags);

    // The worker whose stop and pause the match honours; may be null.
    void SetWorker(WorkerThread* worker) noexcept { m_worker = worker; }
    WorkerThread* Worker() const noexcept { return m_worker; }

    // Asked by the engine before each start position.
    bool IsAborted();

    _regexp<wchar_t> m_utf16;
    _regexp<char> m_utf8;
    _regexp<char> m_ansi;

private:
    WorkerThread* m_worker = nullptr;
    // The worker's check waits on an event: it is asked on the first call of
    // each search and then once every so many calls.
    uint32_t m_abortCalls = 0;
};
