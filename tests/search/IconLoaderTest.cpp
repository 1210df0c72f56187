#include "search/IconLoader.h"

#include "NotifyListener.h"
#include "foundation/Handles.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "foundation/mvcominit.h"
#include "search/PropertyTexts.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "support/SolidBitmap.h"
#include "tests/support/CanaryBox.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Counts the thumbnail requests by size; may hold each request until told.
struct FakeThumbnails {
    static inline std::atomic<int> calls{0};
    static inline std::vector<int> sizes;
    static inline EventHandle entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    static inline EventHandle release{CreateEventW(nullptr, TRUE, TRUE, nullptr)};
    static inline std::atomic<bool> fail{false}; // answer every request with no bitmap
    static HBITMAP Query(const mvstring&, int size) {
        SetEvent(entered.Get());
        WaitForSingleObject(release.Get(), 5000);
        sizes.push_back(size);
        ++calls;
        return fail ? nullptr : SolidBitmap(4, 0);
    }
    FakeThumbnails() {
        calls = 0;
        fail = false;
        sizes.clear();
        ResetEvent(entered.Get());
        SetEvent(release.Get());
        SetThumbnailQuery(&Query);
    }
    ~FakeThumbnails() {
        SetEvent(release.Get());
        SetThumbnailQuery(nullptr);
    }
};

class IconLoaderTest : public ::testing::Test {
protected:
    IconLoaderTest() { cache.Init(); }
    ~IconLoaderTest() override { Settings().ThumbnailFlag = savedFlag; }

    // An item for a file (or folder) made in the temporary folder.
    FoundItem& Item(const std::wstring& name, bool folder) {
        auto item = std::make_unique<FoundItem>();
        item->folder = temp.Path().c_str();
        item->name = name.c_str();
        if (folder) {
            CreateDirectoryW((temp / name).c_str(), nullptr);
            item->attr = FILE_ATTRIBUTE_DIRECTORY;
        } else {
            temp.WriteFile(name, "text");
            item->attr = FILE_ATTRIBUTE_ARCHIVE;
            size_t dot = name.rfind(L'.');
            item->ext = dot == std::wstring::npos ? L"" : name.substr(dot).c_str();
        }
        items.push_back(std::move(item));
        return *items.back();
    }

    mvcominit com;
    TempDir temp;
    ShellTypeCache cache;
    std::vector<std::unique_ptr<FoundItem>> items;
    const std::uint8_t savedFlag = Settings().ThumbnailFlag;
    FakeThumbnails thumbnails;
};

TEST_F(IconLoaderTest, ThumbnailSettingChoosesTheSizesAsked) {
    const struct {
        std::uint8_t flag;
        std::vector<int> codes;
    } cases[] = {{0, {SHIL_LARGE, SHIL_EXTRALARGE}},
                 {1, {SHIL_SMALL, SHIL_LARGE, SHIL_EXTRALARGE}},
                 {2, {}}};
    for (const auto& c : cases) {
        Settings().ThumbnailFlag = c.flag;
        FoundItem& item = Item(L"file" + std::to_wstring(c.flag) + L".txt", false);
        thumbnails.calls = 0;
        LoadItemImage(item, cache);
        EXPECT_GE(item.icon.load(), 0);
        EXPECT_EQ(static_cast<int>(c.codes.size()), thumbnails.calls.load()) << int(c.flag);
        const mvstring path = PathJoin(item.folder, item.name);
        for (int code : c.codes)
            EXPECT_NE(nullptr, cache.GetThumbnail(path, code)) << int(c.flag) << " " << code;
        EXPECT_TRUE(cache.HasThumbnails(path)) << "the file is marked as done, " << int(c.flag);
        LoadItemImage(item, cache); // loaded once only
        EXPECT_EQ(static_cast<int>(c.codes.size()), thumbnails.calls.load());
    }
}

TEST_F(IconLoaderTest, FileIsAskedOnceEvenWhenItsThumbnailsFailAndItsInfoTipIsKept) {
    Settings().ThumbnailFlag = 0;
    thumbnails.fail = true;
    FoundItem& first = Item(L"plain.txt", false);
    LoadItemImage(first, cache);
    EXPECT_EQ(2, thumbnails.calls.load());
    const mvstring path = PathJoin(first.folder, first.name);
    EXPECT_TRUE(cache.HasThumbnails(path));
    EXPECT_EQ(nullptr, cache.GetThumbnail(path, SHIL_LARGE));
    // Another result for the same file (a later search) asks no more.
    FoundItem& second = Item(L"plain.txt", false);
    LoadItemImage(second, cache);
    EXPECT_EQ(2, thumbnails.calls.load());
    // The info tip is taken once and kept, whatever the shell answered.
    EXPECT_TRUE(cache.HasInfoTip(path));
    EXPECT_EQ(GetItemInfoTip(path).str(), cache.GetInfoTip(path).str());
}

TEST_F(IconLoaderTest, LoaderThreadReportsEveryQueuedItem) {
    Settings().ThumbnailFlag = 2;
    Listener listener;
    ASSERT_TRUE(GlobalNotifier().Attach(listener.Window()));
    IconLoadQueue queue(cache);
    std::vector<FoundItem*> queued;
    for (int i = 0; i < 6; ++i)
        queued.push_back(&Item(L"entry" + std::to_wstring(i) + (i % 2 ? L".txt" : L""), i == 4));
    for (FoundItem* item : queued)
        ASSERT_TRUE(queue.Queue(item));
    ASSERT_TRUE(queue.Queue(queued[0])); // queued twice, loaded once
    listener.Pump(queued.size());
    std::vector<std::wstring> expected;
    for (FoundItem* item : queued)
        expected.push_back(std::to_wstring(reinterpret_cast<std::int64_t>(item)));
    std::vector<std::wstring> reported;
    for (const Received& r : listener.got)
        if (r.code == 6)
            reported.push_back(r.text);
    std::sort(expected.begin(), expected.end());
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(expected, reported);
    for (FoundItem* item : queued)
        EXPECT_GE(item->icon.load(), 0);
    EXPECT_EQ(0u, queue.QueuedCount());
    EXPECT_TRUE(queue.Stop());
    EXPECT_FALSE(queue.worker.IsRunning());
    GlobalNotifier().Stop();
}

// Clearing the results must not free an item the loader is still filling.
TEST_F(IconLoaderTest, ClearingWaitsForTheItemInHandAndDropsTheRest) {
    Settings().ThumbnailFlag = 0;
    ResetEvent(FakeThumbnails::release.Get());
    IconLoadQueue queue(cache);
    FoundItem& first = Item(L"held.txt", false);
    ASSERT_TRUE(queue.Queue(&first));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(FakeThumbnails::entered.Get(), 5000));
    std::vector<FoundItem*> later;
    for (int i = 0; i < 4; ++i) {
        later.push_back(&Item(L"later" + std::to_wstring(i) + L".txt", false));
        queue.Queue(later.back());
    }
    std::atomic<bool> cleared{false};
    std::thread clearing([&] {
        queue.ClearAndWait();
        cleared = true;
    });
    Sleep(200);
    EXPECT_FALSE(cleared.load()); // the held item is still being loaded
    EXPECT_EQ(0u, queue.QueuedCount());
    SetEvent(FakeThumbnails::release.Get());
    clearing.join();
    EXPECT_TRUE(cleared.load());
    EXPECT_EQ(2, thumbnails.calls.load()); // both sizes of the held item, nothing after
    for (FoundItem* item : later)
        EXPECT_EQ(-1, item->icon.load());
    EXPECT_TRUE(queue.Stop());
}

// Waking the loader is a call into the system; the list queues every row
// it paints, so only an item into an empty queue wakes it: while items wait
// the loader is awake or about to take them. The gate is closed by hand here
// to see whether a Queue opens it.
TEST_F(IconLoaderTest, OnlyAnItemIntoAnEmptyQueueWakesTheLoader) {
    Settings().ThumbnailFlag = 0;
    ResetEvent(FakeThumbnails::release.Get());
    IconLoadQueue queue(cache);
    ASSERT_TRUE(queue.Queue(&Item(L"held.txt", false)));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(FakeThumbnails::entered.Get(), 5000));
    FoundItem& first = Item(L"first.txt", false);
    queue.worker.CloseGate();
    EXPECT_TRUE(queue.Queue(&first));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(queue.worker.Gate(), 0));
    queue.worker.CloseGate();
    EXPECT_TRUE(queue.Queue(&Item(L"second.txt", false)));
    EXPECT_TRUE(queue.Queue(&first));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(queue.worker.Gate(), 0));
    EXPECT_EQ(2u, queue.QueuedCount());
    SetEvent(queue.worker.Gate());
    SetEvent(FakeThumbnails::release.Get());
    EXPECT_TRUE(queue.Stop());
}

TEST_F(IconLoaderTest, StopWithItemsQueuedEndsSoonAndEmptiesTheQueue) {
    Settings().ThumbnailFlag = 0;
    ResetEvent(FakeThumbnails::release.Get());
    IconLoadQueue queue(cache);
    for (int i = 0; i < 20; ++i)
        queue.Queue(&Item(L"many" + std::to_wstring(i) + L".txt", false));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(FakeThumbnails::entered.Get(), 5000));
    std::thread releaser([] {
        Sleep(100);
        SetEvent(FakeThumbnails::release.Get());
    });
    const DWORD start = GetTickCount();
    EXPECT_TRUE(queue.Stop());
    EXPECT_LT(GetTickCount() - start, 1000u);
    releaser.join();
    EXPECT_EQ(0u, queue.QueuedCount());
    int loaded = 0;
    for (const auto& item : items)
        loaded += item->icon.load() >= 0;
    EXPECT_LT(loaded, 20);
}

// The queue's end waits for a loader that outlives the stop's wait: the
// loader still uses the queue when it finishes the item in its hands.
TEST_F(IconLoaderTest, ItsEndWaitsForALoaderThatOutlivesTheStop) {
    Settings().ThumbnailFlag = 0;
    ResetEvent(FakeThumbnails::release.Get());
    auto box = std::make_unique<CanaryBox<IconLoadQueue>>(cache);
    ASSERT_TRUE((*box)->Queue(&Item(L"held.txt", false)));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(FakeThumbnails::entered.Get(), 5000));
    const KernelHandle thread = CopyThreadHandle((*box)->worker.Handle());
    ASSERT_TRUE(thread);
    std::thread releaser([] {
        Sleep(900);
        SetEvent(FakeThumbnails::release.Get());
    });
    box->Destroy();
    releaser.join();
    EXPECT_TRUE(HasEnded(thread)) << "the queue went while its loader still ran";
    WaitForSingleObject(thread.Get(), 5000);
    EXPECT_TRUE(box->Intact()) << "the loader wrote to the queue after its end";
}

// The main window clears the results on its own thread while the notifier
// may already be sending it the report of an item the clear frees: the
// handler must be able to tell, without touching the item.
TEST_F(IconLoaderTest, ReportOfAnItemClearedOnItsWayIsKnownAsStale) {
    Settings().ThumbnailFlag = 2;
    SearchJob& job = GlobalSearchJob();
    job.ClearResults();
    Listener listener;
    std::vector<std::pair<std::int64_t, bool>> handled; // item, live when handled
    listener.onMessage = [&](int code) {
        if (code != NotifyItemChanged)
            return;
        const std::int64_t value = std::stoll(listener.got.back().text);
        handled.push_back(
            {value, job.IsReportedItemLive(reinterpret_cast<const FoundItem*>(value))});
    };
    ASSERT_TRUE(GlobalNotifier().Attach(listener.Window()));

    FoundItem* first = AddFoundItem(job, Item(L"first.txt", false));
    ASSERT_TRUE(GlobalIconLoadQueue().Queue(first));
    // This thread handles no message yet, so the notifier waits in its send
    // of the report.
    ASSERT_TRUE(WaitForIncomingSend());
    job.ClearResults(); // frees the reported item

    FoundItem* second = AddFoundItem(job, Item(L"second.txt", false));
    ASSERT_TRUE(GlobalIconLoadQueue().Queue(second));
    listener.Pump(2);
    ASSERT_EQ(2u, handled.size());
    EXPECT_FALSE(handled[0].second) << "the cleared item";
    EXPECT_EQ(reinterpret_cast<std::int64_t>(second), handled[1].first);
    EXPECT_TRUE(handled[1].second) << "an item reported after the clear";
    EXPECT_FALSE(SearchJob().IsReportedItemLive(second)) << "only the global job reports";

    // A report queued before its items were retired never reaches the window.
    PostNotify(NotifyItemChanged, reinterpret_cast<std::int64_t>(second));
    GlobalNotifier().RetireItems();
    listener.Pump(listener.got.size() + 1);
    // It may have been taken before the retiring: then its handler is told.
    ASSERT_LE(handled.size(), 3u);
    if (handled.size() == 3) {
        EXPECT_FALSE(handled[2].second);
    }

    EXPECT_TRUE(StopIconLoaderThread());
    GlobalNotifier().Stop();
    job.ClearResults();
}

TEST_F(IconLoaderTest, ImagePartsShowTheKindsIconUntilLoadedAndTheThumbnailOfTheList) {
    FoundItem& folder = Item(L"sub", true);
    const int folderIcon =
        cache.GetIconIndex(mvstring(), mvstring(), FILE_ATTRIBUTE_DIRECTORY) & 0xFFFFFF;
    ItemImageParts parts = GetItemImageParts(folder, SHIL_LARGE, cache);
    EXPECT_EQ(folderIcon, parts.icon);
    EXPECT_EQ(-1, parts.overlay);
    EXPECT_EQ(nullptr, parts.thumbnail);
    EXPECT_FALSE(parts.cut);
    folder.icon.store(7);
    folder.overlay.store(2);
    parts = GetItemImageParts(folder, SHIL_LARGE, cache);
    EXPECT_EQ(7, parts.icon);
    EXPECT_EQ(2, parts.overlay);

    FoundItem& file = Item(L"Photo.txt", false);
    const HBITMAP bitmap = SolidBitmap(8, 0);
    cache.StoreThumbnail(PathJoin(file.folder, file.name), SHIL_LARGE, bitmap);
    file.state = ItemCut;
    parts = GetItemImageParts(file, SHIL_LARGE, cache);
    EXPECT_EQ(bitmap, parts.thumbnail);
    EXPECT_TRUE(parts.cut);
    EXPECT_EQ(nullptr, GetItemImageParts(file, SHIL_SMALL, cache).thumbnail)
        << "a thumbnail belongs to the list it was made for";
}

} // namespace
