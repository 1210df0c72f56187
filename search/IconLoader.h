// The icon and thumbnail loader: the results list queues the items it is
// about to show, and one background thread fetches their icons, overlays and
// thumbnails into the items and the shell type cache, reporting each loaded
// item with progress code 6 so that its row is redrawn. The window paints
// whatever has been loaded so far (GetItemImageParts).
#pragma once

#include "foundation/WorkerThread.h"
#include "foundation/mvLock.h"
#include "foundation/mvstring.h"
#include "search/FoundItem.h"
#include "search/ShellTypeCache.h"

#include <windows.h>

#include <unordered_set>

// Where thumbnails come from: a bitmap of the file at most `size` pixels
// square, or null. The shell's thumbnail factory outside of tests.
using ThumbnailQuery = HBITMAP (*)(const mvstring& path, int size);

class IconLoadQueue {
public:
    explicit IconLoadQueue(ShellTypeCache& cache);
    IconLoadQueue(const IconLoadQueue&) = delete;
    IconLoadQueue& operator=(const IconLoadQueue&) = delete;
    ~IconLoadQueue();

    // Queues the item (at most once) and wakes the loader, starting its
    // thread on the first request. False for a null item or when the thread
    // cannot be started.
    bool Queue(FoundItem* item);
    // Asks the thread to stop, drops the queue and waits up to 500 ms. True
    // when the thread has ended.
    bool Stop();
    // Drops every queued item and waits until the item the loader holds is
    // finished and reported. Call before the items are freed.
    void ClearAndWait();

    // The loader's side: the next item, marked as in hand; null when the
    // queue is empty, in which case the wake event is reset under the lock
    // so that a later Queue sets it again.
    FoundItem* Take();
    // The item in hand is finished.
    void Done();

    size_t QueuedCount();
    ShellTypeCache& Cache() noexcept { return m_cache; }

    WorkerThread worker; // its gate is the wake-up event
    mvCriticalSection lock;

private:
    ShellTypeCache& m_cache;
    std::unordered_set<FoundItem*> m_queue;
    FoundItem* m_inHand = nullptr;
    CONDITION_VARIABLE m_handEmpty = CONDITION_VARIABLE_INIT;
};

// The process-wide queue over the process-wide cache.
IconLoadQueue& GlobalIconLoadQueue();
// Stop on the process-wide queue.
bool StopIconLoaderThread();
// The loader thread; the parameter is its IconLoadQueue.
DWORD WINAPI IconLoaderThreadProc(void* parameter);

// Loads the item's icon and overlay indexes and its file's thumbnails;
// nothing when the icon is already loaded.
void LoadItemImage(FoundItem& item, ShellTypeCache& cache);
// What the image of an item is made of in one of the shell's image lists
// (SHIL_): the window paints it.
struct ItemImageParts {
    int icon = 0;                // index in the list: the item's, or its kind's while not loaded
    int overlay = -1;            // overlay image index; -1 for none
    HBITMAP thumbnail = nullptr; // shown instead of the icon; owned by the cache
    bool cut = false;            // shown half transparent
};
ItemImageParts GetItemImageParts(const FoundItem& item, int list, ShellTypeCache& cache);

// Replaces the thumbnail source (null: the shell's again); for tests.
void SetThumbnailQuery(ThumbnailQuery query);
