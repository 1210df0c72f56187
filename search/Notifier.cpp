#include "search/Notifier.h"

#include "foundation/ShutdownFlag.h"

NotifierQueue::NotifierQueue() = default;

NotifierQueue::~NotifierQueue() {
    Stop();
    // A thread still sending to a window of this thread finishes its send
    // while Join handles it.
    worker.Join();
}

void NotifierQueue::Post(std::int32_t code, std::int64_t value) {
    // The thread sends a count and a text as the last of their batch: one
    // queued entry stands for every later one until the thread takes it,
    // which spares a search that finds thousands of items a wake-up (and
    // its system calls) for each of them. The count is read when it is
    // sent, so an item added before this check is in it.
    if (code == NotifyItemsAdded && m_countQueued.load())
        return;
    if (!target.load() || !worker.IsRunning())
        return;
    NotifyEntry entry{code, value, m_itemGeneration.load()};
    {
        mvLock held(lock);
        if (code == NotifyStatus) {
            status = reinterpret_cast<const wchar_t*>(static_cast<intptr_t>(value));
            if (m_statusQueued.load())
                return;
            m_statusQueued = true;
            entry.value = 0;
        } else if (code == NotifyItemsAdded) {
            if (m_countQueued.load())
                return;
            m_countQueued = true;
        } else if (code == NotifyFinished) {
            // The end drops the counts and texts queued before it: those
            // that follow it are queued anew.
            m_countQueued = false;
            m_statusQueued = false;
        }
        queue.push_back(entry);
    }
    if (worker.IsRunning() && !worker.IsGateOpen())
        SetEvent(worker.Gate());
}

bool NotifierQueue::Attach(HWND window) {
    // Registered with the first window, before the thread that sends it
    // starts: registering binds the window library, which a run without
    // windows never loads.
    if (message == 0)
        message = RegisterWindowMessageW(kNotifyMessageName);
    target = window;
    if (worker.IsRunning()) {
        if (!worker.IsGateOpen())
            SetEvent(worker.Gate());
        return true;
    }
    return worker.Start(&NotifierThreadProc, this);
}

bool NotifierQueue::Stop() {
    worker.Stop(0);
    target = nullptr;
    Clear();
    if (worker.Handle())
        WaitForSingleObject(worker.Handle(), 500);
    return !worker.IsRunning();
}

void NotifierQueue::Clear() {
    mvLock held(lock);
    queue.clear();
    m_countQueued = false;
    m_statusQueued = false;
}

DWORD WINAPI NotifierThreadProc(void* parameter) {
    auto& block = *static_cast<NotifierQueue*>(parameter);
    mvstring statusCopy;
    for (;;) {
        if (block.worker.CheckStop() || IsShuttingDown())
            return 0;
        HWND window = block.target.load();
        if (!window || block.message == 0) {
            if (block.worker.IsGateOpen())
                block.worker.CloseGate();
            continue;
        }
        bool pendingCount = false;
        bool pendingStatus = false;
        for (;;) {
            NotifyEntry entry;
            {
                mvLock held(block.lock);
                if (block.queue.empty()) {
                    // Reset under the lock: an entry queued after this finds
                    // the event reset and sets it again.
                    if (block.worker.IsGateOpen())
                        block.worker.CloseGate();
                    break;
                }
                entry = block.queue.front();
                block.queue.pop_front();
                if (entry.code == NotifyItemsAdded)
                    block.m_countQueued = false;
                else if (entry.code == NotifyStatus)
                    block.m_statusQueued = false;
            }
            switch (entry.code) {
            case NotifyFinished:
                // The end makes earlier counts and texts of the batch moot.
                SendMessageW(window, block.message, entry.code, static_cast<LPARAM>(entry.value));
                pendingCount = pendingStatus = false;
                break;
            case NotifyItemsAdded:
                pendingCount = true;
                break;
            case NotifyStatus: {
                mvLock held(block.lock);
                statusCopy = block.status;
                pendingStatus = true;
                break;
            }
            case NotifyItemChanged:
                // A report of items retired since is dropped here; one
                // retired during the send is told by IsSentItemLive.
                block.m_sentGeneration = entry.generation;
                if (entry.generation == block.m_itemGeneration.load()) {
                    block.m_sentItem = entry.value;
                    SendMessageW(window, block.message, entry.code,
                                 static_cast<LPARAM>(entry.value));
                    block.m_sentItem = 0;
                }
                break;
            default:
                SendMessageW(window, block.message, entry.code, static_cast<LPARAM>(entry.value));
                break;
            }
        }
        if (pendingCount)
            SendMessageW(window, block.message, NotifyItemsAdded, 0);
        if (pendingStatus)
            SendMessageW(window, block.message, NotifyStatus,
                         reinterpret_cast<LPARAM>(statusCopy.c_str()));
    }
}

NotifierQueue& GlobalNotifier() {
    // Never destroyed: the workers post to it until the process ends, and a
    // notifier that outlives its stop then still reads it.
    static NotifierQueue& block = *new NotifierQueue;
    return block;
}

void PostNotify(std::int32_t code, std::int64_t value) {
    GlobalNotifier().Post(code, value);
}

bool StopNotifierThread() {
    return GlobalNotifier().Stop();
}
