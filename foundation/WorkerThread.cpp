#include "foundation/WorkerThread.h"

namespace {

LONG64 ReadInterlocked(volatile LONG64* value) noexcept {
    return InterlockedCompareExchange64(value, 0, 0);
}

} // namespace

WorkerThread::WorkerThread() noexcept : m_gate(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

WorkerThread::~WorkerThread() {
    Join();
}

DWORD WorkerThread::ThreadId() const noexcept {
    return static_cast<DWORD>(ReadInterlocked(&m_threadId));
}

bool WorkerThread::StopRequested() const noexcept {
    return ReadInterlocked(&m_stop) != 0;
}

bool WorkerThread::IsGateOpen() const noexcept {
    return m_gate && WaitForSingleObject(m_gate.Get(), 0) == WAIT_OBJECT_0;
}

bool WorkerThread::IsRunning() const noexcept {
    DWORD id = ThreadId();
    if (id != 0 && id == GetCurrentThreadId())
        return true;
    DWORD code = 0;
    return m_thread && GetExitCodeThread(m_thread.Get(), &code) && code == STILL_ACTIVE;
}

bool WorkerThread::Start(LPTHREAD_START_ROUTINE routine, void* parameter) noexcept {
    if (IsRunning() || !m_gate)
        return false;
    SetEvent(m_gate.Get());
    InterlockedExchange64(&m_mayBeClosed, 0);
    InterlockedExchange64(&m_stop, 0);
    InterlockedExchange64(&m_threadId, 0);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, routine, parameter, CREATE_SUSPENDED, &id);
    if (!thread)
        return false;
    m_thread.Assign(thread);
    InterlockedExchange64(&m_threadId, id);
    ResumeThread(thread);
    return true;
}

bool WorkerThread::Stop(DWORD waitMs) noexcept {
    if (!IsRunning())
        return true;
    InterlockedExchange64(&m_stop, 1);
    if (m_gate && !IsGateOpen())
        SetEvent(m_gate.Get());
    if (waitMs != 0 && m_thread && ThreadId() != GetCurrentThreadId())
        WaitForSingleObject(m_thread.Get(), waitMs);
    return !IsRunning();
}

bool WorkerThread::Join(DWORD waitMs) noexcept {
    if (!Stop(0) && ThreadId() == GetCurrentThreadId())
        return false;
    const HANDLE thread = m_thread.Get();
    if (!thread)
        return true;
    const ULONGLONG until = GetTickCount64() + waitMs;
    for (;;) {
        // Handles the messages sent to this thread's windows, and nothing
        // posted; also those already waiting before the wait began, which
        // would not wake it.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        DWORD left = INFINITE;
        if (waitMs != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            left = now < until ? static_cast<DWORD>(until - now) : 0;
        }
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &thread, left, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1 || left == 0)
            return woke == WAIT_OBJECT_0;
    }
}

bool WorkerThread::SetPaused(bool pause) noexcept {
    if (!m_gate)
        return false;
    bool paused = IsRunning() && !IsGateOpen();
    if (pause == paused)
        return true;
    if (pause)
        return CloseGate();
    InterlockedExchange64(&m_mayBeClosed, 0);
    return SetEvent(m_gate.Get()) != 0;
}

bool WorkerThread::CloseGate() noexcept {
    if (!m_gate)
        return false;
    // Marked first: a check point that still finds the mark clear passes
    // once more, as it would have passed a moment earlier.
    InterlockedExchange64(&m_mayBeClosed, 1);
    return ResetEvent(m_gate.Get()) != 0;
}

bool WorkerThread::CheckStop() noexcept {
    DWORD id = ThreadId();
    if (id == 0 || id != GetCurrentThreadId())
        return false;
    // A stop is asked for before its opening of the gate: seen here, it is
    // not lost to a closing of the gate that came after that opening.
    if (StopRequested())
        return true;
    // Waiting on the event is a round trip to the system; an open gate that
    // nobody has closed needs none.
    if (m_gate && ReadInterlocked(&m_mayBeClosed) != 0)
        WaitForSingleObject(m_gate.Get(), INFINITE);
    return StopRequested();
}
