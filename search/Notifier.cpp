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
    // One waiting count stands for every later one until the thread sends
    // it, which spares a search that finds thousands of items a wake-up (and
    // its system calls) for each of them. The count is read when it is
    // sent, so an item added before this check is in it.
    if (code == NotifyItemsAdded && m_countQueued.load())
        return;
    if (!target.load())
        return;
    const auto* text = reinterpret_cast<const wchar_t*>(static_cast<intptr_t>(value));
    if (code == NotifyStatus && m_statusQueued.load()) {
        // The thread copies the text under the lock when it sends it.
        mvLock held(lock);
        if (m_statusQueued.load()) {
            status = text;
            return;
        }
    }
    if (!worker.IsRunning())
        return;
    NotifyEntry entry{code, value, m_itemGeneration.load()};
    {
        mvLock held(lock);
        if (code == NotifyStatus) {
            status = text;
            if (m_statusQueued.load())
                return;
            m_statusQueued = true;
            entry.value = 0;
        } else if (code == NotifyItemsAdded) {
            if (m_countQueued.load())
                return;
            m_countQueued = true;
        } else if (code == NotifyFinished) {
            // The end drops the counts and texts waiting before it: those
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
    // A count and a text taken from the queue and not yet sent: they wait
    // for their time while the other codes go on at once.
    bool pendingCount = false;
    bool pendingStatus = false;
    ULONGLONG nextProgress = 0; // the tick from which they may be sent
    for (;;) {
        // With progress waiting the thread must not sleep on the closed
        // wake-up event: it waits for the progress's time below instead.
        const bool waiting = pendingCount || pendingStatus;
        if ((waiting ? block.worker.StopRequested() : block.worker.CheckStop()) || IsShuttingDown())
            return 0;
        HWND window = block.target.load();
        if (!window || block.message == 0) {
            if (pendingCount || pendingStatus) {
                // Dropped: a count or a text posted later is queued anew.
                mvLock held(block.lock);
                if (pendingCount)
                    block.m_countQueued = false;
                if (pendingStatus)
                    block.m_statusQueued = false;
                pendingCount = pendingStatus = false;
            }
            if (block.worker.IsGateOpen())
                block.worker.CloseGate();
            continue;
        }
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
            }
            switch (entry.code) {
            case NotifyFinished:
                // The end makes earlier counts and texts moot.
                SendMessageW(window, block.message, entry.code, static_cast<LPARAM>(entry.value));
                pendingCount = pendingStatus = false;
                break;
            case NotifyItemsAdded:
                pendingCount = true;
                break;
            case NotifyStatus:
                pendingStatus = true;
                break;
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
        if (!pendingCount && !pendingStatus)
            continue;
        const ULONGLONG now = GetTickCount64();
        if (now < nextProgress) {
            // A new entry wakes the thread early; a count or a text does not
            // queue one while its kind waits here.
            WaitForSingleObject(block.worker.Gate(), static_cast<DWORD>(nextProgress - now));
            continue;
        }
        bool sendCount = false;
        bool sendStatus = false;
        {
            // A clear of the queue since they were taken drops them; a count
            // or a text posted from here on is queued anew.
            mvLock held(block.lock);
            sendCount = pendingCount && block.m_countQueued.load();
            if (sendCount)
                block.m_countQueued = false;
            sendStatus = pendingStatus && block.m_statusQueued.load();
            if (sendStatus) {
                statusCopy = block.status;
                block.m_statusQueued = false;
            }
        }
        pendingCount = pendingStatus = false;
        if (sendCount)
            SendMessageW(window, block.message, NotifyItemsAdded, 0);
        if (sendStatus)
            SendMessageW(window, block.message, NotifyStatus,
                         reinterpret_cast<LPARAM>(statusCopy.c_str()));
        nextProgress = GetTickCount64() + block.progressGapMs.load();
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
