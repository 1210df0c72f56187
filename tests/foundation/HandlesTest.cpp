#include "foundation/Handles.h"

// Seen before any other header: code that draws nothing includes the
// holders without the common controls or the visual-style headers.
#if defined(_INC_COMMCTRL) || defined(_UXTHEME_H_)
constexpr bool kHoldersBringWindowHeaders = true;
#else
constexpr bool kHoldersBringWindowHeaders = false;
#endif

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<HANDLE> g_closed;
void RecordClose(HANDLE handle) {
    g_closed.push_back(handle);
}
using Recorded = mvHandle<HANDLE, RecordClose>;

HANDLE Fake(uintptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

} // namespace

TEST(Handles, FreesOnReassignmentAndEnd) {
    g_closed.clear();
    {
        Recorded h(Fake(0x10));
        EXPECT_EQ(h.Get(), Fake(0x10));
        h.Assign(Fake(0x10)); // the same handle stays open
        EXPECT_TRUE(g_closed.empty());
        h.Assign(Fake(0x20));
        EXPECT_EQ(g_closed, std::vector<HANDLE>{Fake(0x10)});
        Recorded moved(std::move(h));
        EXPECT_FALSE(h);
        EXPECT_EQ(moved.Get(), Fake(0x20));
        Recorded target(Fake(0x30));
        target = std::move(moved); // frees 0x30, takes 0x20
        EXPECT_EQ(g_closed, (std::vector<HANDLE>{Fake(0x10), Fake(0x30)}));
        EXPECT_EQ(target.Get(), Fake(0x20));
    }
    EXPECT_EQ(g_closed, (std::vector<HANDLE>{Fake(0x10), Fake(0x30), Fake(0x20)}));
}

TEST(Handles, NoHandleIsNeverFreed) {
    g_closed.clear();
    for (HANDLE none : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        Recorded h(none);
        EXPECT_FALSE(h);
        EXPECT_EQ(h.Get(), nullptr); // both read as "no handle"
        h.Reset();
        h.Assign(Fake(0x40));
        h.Assign(none);
        EXPECT_FALSE(h);
    }
    EXPECT_EQ(g_closed, (std::vector<HANDLE>{Fake(0x40), Fake(0x40)}));

    g_closed.clear();
    {
        Recorded h(Fake(0x50));
        EXPECT_EQ(h.Release(), Fake(0x50));
        EXPECT_FALSE(h);
        *h.Put() = INVALID_HANDLE_VALUE; // a failed open handed out -1
        EXPECT_EQ(h.Get(), nullptr);
    }
    EXPECT_TRUE(g_closed.empty());
}

TEST(Handles, RealHandlesAreClosed) {
    KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.Get();
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(raw, &flags));
    event.Reset();
    EXPECT_FALSE(GetHandleInformation(raw, &flags));

    GdiHandle<HBRUSH> brush(CreateSolidBrush(RGB(1, 2, 3)));
    ASSERT_TRUE(brush);
    const HGDIOBJ rawBrush = brush.Get();
    EXPECT_EQ(GetObjectType(rawBrush), static_cast<DWORD>(OBJ_BRUSH));
    brush.Assign(CreateSolidBrush(RGB(4, 5, 6)));
    EXPECT_EQ(GetObjectType(rawBrush), 0u);
    EXPECT_EQ(GetObjectType(brush.Get()), static_cast<DWORD>(OBJ_BRUSH));
}

TEST(Handles, GlobalMemory) {
    GlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, 16));
    ASSERT_TRUE(block);
    const HGLOBAL raw = block.Get();
    EXPECT_EQ(GlobalSize(raw), 16u);
    block.Reset();
    EXPECT_EQ(GlobalSize(raw), 0u);
}

TEST(Handles, HeaderNeedsNoWindowLibrary) {
    EXPECT_FALSE(kHoldersBringWindowHeaders);
}

TEST(Handles, TaskMemory) {
    // The allocator's own size query tells a live block from a freed one.
    ComHandle<IMalloc> allocator;
    ASSERT_TRUE(SUCCEEDED(CoGetMalloc(1, allocator.Put())));
    void* rawBlock = nullptr;
    {
        CoTaskMemHandle<wchar_t> text(static_cast<wchar_t*>(CoTaskMemAlloc(64)));
        ASSERT_TRUE(text);
        rawBlock = text.Get();
        EXPECT_EQ(allocator.Get()->DidAlloc(rawBlock), 1);
    }
    EXPECT_NE(allocator.Get()->DidAlloc(rawBlock), 1);
}
