// The record every background thread runs through: its thread, a
// manual-reset event and a stop request. For the search worker and the hex
// viewer's job the event is a run gate (reset to pause); for the notifier and
// the icon loader it is a wake-up event that the thread resets when idle.
#pragma once

#include "foundation/Handles.h"

#include <windows.h>

class WorkerThread {
public:
    // No thread, id 0, stop flag 0, gate created open.
    WorkerThread() noexcept;
    // Ends the thread (Join) before the record goes. An owner whose other
    // members the thread touches joins in its own destructor, before they
    // are destroyed: this is the last line for a record owned alone.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // True on the worker itself, or while the started thread has not ended.
    bool IsRunning() const noexcept;

    // Starts a new thread on the routine with the gate open and the stop flag
    // cleared. False when a thread still runs, when there is no gate or when
    // the thread cannot be created. The thread only begins once its handle
    // and id are stored, so its own first checks know it as the worker.
    bool Start(LPTHREAD_START_ROUTINE routine, void* parameter) noexcept;

    // Asks the thread to stop, opens the gate of a paused thread so that it
    // sees the request, and waits up to `waitMs` (0: only ask). True when no
    // thread runs afterwards; false when called from the worker itself.
    bool Stop(DWORD waitMs) noexcept;

    // Asks the thread to stop and waits for it to end, up to `waitMs`
    // (by default however long that takes), while handling messages other
    // threads send to this one (the notifier sends to the window of the
    // thread that stops it). True when no thread runs afterwards; false at
    // once on the worker itself.
    bool Join(DWORD waitMs = INFINITE) noexcept;

    // Closes (pause) or opens (resume) the gate when that changes the paused
    // state. False only when there is no gate or the event call fails.
    // Pausing a record without a running thread closes the gate; the next
    // Start opens it again.
    bool SetPaused(bool pause) noexcept;

    // Closes the gate (pause, or "idle" for a wake-up event). Every closing
    // goes through here or SetPaused, so that the check point knows when it
    // has to look at the event at all. False when there is no gate.
    bool CloseGate() noexcept;

    // The worker's check point: blocks while the gate is closed, then tells
    // whether a stop was requested. From any other thread: false at once.
    // While the gate has not been closed since the start (or the last
    // resume) it costs no system call, so a walk may check every entry.
    bool CheckStop() noexcept;

    // Whether a stop was requested since the last Start.
    bool StopRequested() const noexcept;
    // Whether the gate is open (signalled).
    bool IsGateOpen() const noexcept;
    // Paused: running with the gate closed.
    bool IsPaused() const noexcept { return IsRunning() && !IsGateOpen(); }

    HANDLE Gate() const noexcept { return m_gate.Get(); }
    HANDLE Handle() const noexcept { return m_thread.Get(); }
    DWORD ThreadId() const noexcept;

private:
    ThreadHandle m_thread;
    mutable volatile LONG64 m_threadId = 0;
    EventHandle m_gate;
    mutable volatile LONG64 m_stop = 0;
    volatile LONG64 m_mayBeClosed = 0; // set before the gate is closed
};
