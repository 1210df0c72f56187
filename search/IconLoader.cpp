#include "search/IconLoader.h"

#include "foundation/Handles.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/mvcominit.h"
#include "search/Notifier.h"
#include "search/PropertyTexts.h"

#include <commctrl.h>
#include <commoncontrols.h>
#include <shobjidl.h>

#include <atomic>
#include <map>

namespace {

// The shell item of the last path asked on this thread, so that the
// thumbnail sizes of one file share one item.
struct ThreadShellItem {
    mvstring path;
    ComHandle<IShellItemImageFactory> factory;
};
thread_local ThreadShellItem t_lastItem;

// On the thread's last leaving of COM, while COM still runs.
void ReleaseLastItem() noexcept {
    t_lastItem.factory.Reset();
    t_lastItem.path.clear();
}

HBITMAP ShellThumbnail(const mvstring& path, int size) {
    static const bool registered = mvcominit::AddThreadRelease(&ReleaseLastItem);
    (void)registered;
    if (t_lastItem.path != path || !t_lastItem.factory) {
        t_lastItem.factory.Reset();
        t_lastItem.path = path;
        ComHandle<IShellItem2> item;
        if (FAILED(SHCreateItemFromParsingName(ShellPathForm(path).c_str(), nullptr,
                                               IID_IShellItem2,
                                               reinterpret_cast<void**>(item.Put()))) ||
            FAILED(item.Get()->QueryInterface(IID_IShellItemImageFactory,
                                              reinterpret_cast<void**>(t_lastItem.factory.Put()))))
            return nullptr;
    }
    HBITMAP bitmap = nullptr;
    if (FAILED(t_lastItem.factory.Get()->GetImage(SIZE{size, size}, SIIGBF_THUMBNAILONLY, &bitmap)))
        return nullptr;
    return bitmap;
}

std::atomic<ThumbnailQuery> g_thumbnails{&ShellThumbnail};

// The item's path with the letters A to Z lower-cased.
mvstring ItemPath(const FoundItem& item) {
    mvstring path = PathJoin(item.folder, item.name);
    for (size_t i = 0; i < path.size(); ++i)
        if (path[i] >= L'A' && path[i] <= L'Z')
            path[i] = static_cast<wchar_t>(path[i] - L'A' + L'a');
    return path;
}

} // namespace

void SetThumbnailQuery(ThumbnailQuery query) {
    g_thumbnails.store(query != nullptr ? query : &ShellThumbnail);
}

IconLoadQueue::IconLoadQueue(ShellTypeCache& cache) : m_cache(cache) {}

IconLoadQueue::~IconLoadQueue() {
    // The thread uses the queue, its lock and the cache until it ends; one
    // that outlived the stop's wait is waited for before they go. (The
    // process-wide queue is never destroyed.)
    Stop();
    worker.Join();
}

bool IconLoadQueue::Queue(FoundItem* item) {
    if (item == nullptr)
        return false;
    // The loader closes its gate only under the lock with the queue empty,
    // so while the queue holds items the loader is awake or about to take
    // them: only the first item into an empty queue needs to wake it. The
    // list queues every row it paints, and waking the loader each time (a
    // call into the system) cost more than drawing the row.
    {
        mvLock held(lock);
        const bool wasEmpty = m_queue.empty();
        if (!m_queue.insert(item).second || !wasEmpty)
            return true;
        if (worker.Gate() != nullptr)
            SetEvent(worker.Gate());
    }
    return worker.IsRunning() || worker.Start(&IconLoaderThreadProc, this);
}

FoundItem* IconLoadQueue::Take() {
    mvLock held(lock);
    if (m_queue.empty()) {
        worker.CloseGate();
        return nullptr;
    }
    auto first = m_queue.begin();
    m_inHand = *first;
    m_queue.erase(first);
    return m_inHand;
}

void IconLoadQueue::Done() {
    mvLock held(lock);
    m_inHand = nullptr;
    WakeAllConditionVariable(&m_handEmpty);
}

void IconLoadQueue::ClearAndWait() {
    mvLock held(lock);
    m_queue.clear();
    while (m_inHand != nullptr && worker.IsRunning())
        SleepConditionVariableCS(&m_handEmpty, lock, 50);
}

size_t IconLoadQueue::QueuedCount() {
    mvLock held(lock);
    return m_queue.size();
}

bool IconLoadQueue::Stop() {
    worker.Stop(0);
    {
        mvLock held(lock);
        m_queue.clear();
    }
    HANDLE thread = worker.Handle();
    return thread == nullptr || WaitForSingleObject(thread, 500) == WAIT_OBJECT_0;
}

IconLoadQueue& GlobalIconLoadQueue() {
    // Never destroyed, like the cache it loads into: the loader may outlive
    // its stop at the end of the process, which then ends without waiting.
    static IconLoadQueue& queue = *new IconLoadQueue(GlobalShellTypeCache());
    return queue;
}

bool StopIconLoaderThread() {
    return GlobalIconLoadQueue().Stop();
}

DWORD WINAPI IconLoaderThreadProc(void* parameter) {
    auto* queue = static_cast<IconLoadQueue*>(parameter);
    {
        mvcominit com;
        while (!queue->worker.CheckStop() && !IsShuttingDown()) {
            FoundItem* item = queue->Take();
            if (item == nullptr)
                continue;
            LoadItemImage(*item, queue->Cache());
            if (item->icon.load() >= 0)
                PostNotify(NotifyItemChanged, reinterpret_cast<std::int64_t>(item));
            queue->Done();
        }
    }
    return 0;
}

void LoadItemImage(FoundItem& item, ShellTypeCache& cache) {
    if (item.icon.load() >= 0)
        return;
    const mvstring path = ItemPath(item);
    if (path.empty())
        return;
    const int index = cache.GetIconIndex(path, item.ext, item.attr);
    std::int64_t overlay = -1;
    if (static_cast<unsigned>(index) > 0xFFFFFFu) {
        int image = -1;
        IImageList* small = cache.GetImageList(SHIL_SMALL);
        if (small != nullptr &&
            SUCCEEDED(small->GetOverlayImage(static_cast<unsigned>(index) >> 24, &image)))
            overlay = image;
    }
    item.overlay.store(overlay);
    item.icon.store(index & 0xFFFFFF);

    // Thumbnails for the sizes the setting asks for, once per file: the
    // entry stored, even without bitmaps (a failed request, or thumbnails
    // turned off), marks the file as done.
    if (!cache.HasThumbnails(path)) {
        const int flag = Settings().ThumbnailFlag;
        std::map<int, int> sizes; // shell list -> pixels
        if (flag == 1)
            sizes = {{SHIL_SMALL, cache.IconSize(SHIL_SMALL)},
                     {SHIL_LARGE, cache.IconSize(SHIL_LARGE)},
                     {SHIL_EXTRALARGE, cache.IconSize(SHIL_EXTRALARGE)}};
        else if (flag == 0)
            sizes = {{SHIL_LARGE, cache.IconSize(SHIL_LARGE)},
                     {SHIL_EXTRALARGE, cache.IconSize(SHIL_EXTRALARGE)}};
        ThumbnailQuery query = g_thumbnails.load();
        std::map<int, HBITMAP> bitmaps;
        for (const auto& [code, size] : sizes)
            bitmaps[code] = size > 0 ? query(path, size) : nullptr;
        cache.StoreThumbnails(path, bitmaps);
    }
    cache.CacheTileLines(path);
    // The shell is asked outside the cache's lock.
    if (!cache.HasInfoTip(path))
        cache.StoreInfoTip(path, GetItemInfoTip(path));
}

ItemImageParts GetItemImageParts(const FoundItem& item, int list, ShellTypeCache& cache) {
    ItemImageParts parts;
    const std::int64_t icon = item.icon.load();
    parts.icon = icon >= 0 ? static_cast<int>(icon)
                           : cache.GetIconIndex(mvstring(), mvstring(), item.attr) & 0xFFFFFF;
    parts.overlay = static_cast<int>(item.overlay.load());
    parts.thumbnail = cache.GetThumbnail(ItemPath(item), list);
    parts.cut = item.state == ItemCut;
    return parts;
}
