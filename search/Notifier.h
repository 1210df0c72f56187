// Progress from the worker threads to the main window. Workers never touch
// windows: they queue small notifications, and one notifier thread sends
// them to the target window, merging floods of item counts and status texts.
#pragma once

#include "foundation/WorkerThread.h"
#include "foundation/mvLock.h"
#include "foundation/mvstring.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>

// The least time from the end of one send of counts and texts to the next.
// Each one makes the window resize its list's scroll range (some list views
// redraw their scroll bars at once, tens of milliseconds) and repaint its
// status bar, which also slows a search that competes with the window for
// the system; five updates a second keep the count moving for the eye.
inline constexpr DWORD kProgressGapMs = 200;

// The wParam of the progress message; the lParam is the value.
enum NotifyCode : std::int32_t {
    NotifyStarted = 1,        // 1 search, 2 load of a saved search, 3 search in results
    NotifyFinished = 2,       // 1 when stopped or failed, 0 when complete
    NotifyPauseChanged = 3,   // 1 now paused, 0 running again
    NotifyItemsAdded = 4,     // 0
    NotifyStatus = 5,         // const wchar_t*, valid only during the send
    NotifyItemChanged = 6,    // the FoundItem*
    NotifyCriteriaLoaded = 7, // 0
    NotifyFoldersChanged = 8, // 0
};

// Name of the registered progress message.
inline constexpr wchar_t kNotifyMessageName[] = L"WM_Velquin_CALLBACK";

struct NotifyEntry {
    std::int32_t code;
    std::int64_t value;
    std::uint32_t generation = 0; // of the items, when the entry was queued
};

class NotifierQueue {
public:
    std::deque<NotifyEntry> queue;
    WorkerThread worker; // its gate is the wake-up event
    mvCriticalSection lock;
    std::atomic<HWND> target{nullptr}; // null while nobody listens
    mvstring status;                   // the last text given with code 5
    UINT message = 0;                  // the progress message, registered by the first Attach
    std::atomic<DWORD> progressGapMs{kProgressGapMs}; // least gap between sends of counts and texts

    NotifierQueue();
    // Stops the thread and waits until it has ended: it reads the queue,
    // the lock and the status text until then.
    ~NotifierQueue();
    NotifierQueue(const NotifierQueue&) = delete;
    NotifierQueue& operator=(const NotifierQueue&) = delete;

    // Queues one notification, only while a target is set and the thread
    // runs. For code 5 the value is a const wchar_t* whose text is copied.
    // A count or a text while one of its kind waits to be sent adds no
    // entry: the waiting one sends the count and text of its sending time.
    // Counts and texts are spaced (see progressGapMs); every other code is
    // sent at once, and the end (code 2) drops the counts and texts waiting
    // before it. A post costs the worker no system call while a count or
    // text of its kind waits.
    void Post(std::int32_t code, std::int64_t value);
    // Makes the window the target, then wakes the thread when it sleeps or
    // starts it. False when the thread cannot be started.
    bool Attach(HWND window);
    // Asks the thread to stop, drops the target and every queued entry, and
    // waits up to 500 ms. True when the thread has ended.
    bool Stop();
    // Empties the queue under the lock.
    void Clear();

    // Item reports (code 6) carry a pointer to an item that a clear of the
    // results may free while the report is on its way. The owner of the
    // items calls RetireItems, under its results lock, before it frees any:
    // queued reports of those items are then dropped, and the handler of the
    // report being sent learns from IsSentItemLive that its item is gone.
    void RetireItems() noexcept { ++m_itemGeneration; }
    // For the handler of code 6: true only during the send of the report of
    // this very item, when its items have not been retired since the report
    // was queued. Any other pointer, and any call outside that send, gives
    // false.
    bool IsSentItemLive(const void* item) const noexcept {
        return item != nullptr && m_sentItem.load() == reinterpret_cast<std::int64_t>(item) &&
               m_sentGeneration.load() == m_itemGeneration.load();
    }

private:
    friend DWORD WINAPI NotifierThreadProc(void* parameter);
    std::atomic<std::uint32_t> m_itemGeneration{0};
    std::atomic<std::uint32_t> m_sentGeneration{0};
    std::atomic<std::int64_t> m_sentItem{0}; // the item of the report being sent, 0 none
    // A count (code 4) or a text (code 5) is queued or waits in the thread,
    // and not yet sent.
    std::atomic<bool> m_countQueued{false};
    std::atomic<bool> m_statusQueued{false};
};

// The process-wide block that drives the main window.
NotifierQueue& GlobalNotifier();

// Post on the process-wide block.
void PostNotify(std::int32_t code, std::int64_t value);
// Stop on the process-wide block.
bool StopNotifierThread();

// The notifier thread; the parameter is its NotifierQueue.
DWORD WINAPI NotifierThreadProc(void* parameter);
