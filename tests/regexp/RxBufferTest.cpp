#include "regexp/RxBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(RxBuffer, GrowthFollowsTheCapacityRule) {
    struct Step {
        size_t request, capacity;
    };
    // at least 8, then doubled, else the request + 11 rounded down to a multiple of 8
    const Step steps[] = {{1, 8}, {9, 16}, {17, 32}, {100, 104}, {104, 104}, {105, 208}};
    RxBuffer<int> b;
    for (const Step& s : steps) {
        ASSERT_TRUE(b.Reserve(s.request));
        EXPECT_EQ(b.Capacity(), s.capacity) << "request " << s.request;
    }
}

TEST(RxBuffer, PushPopAndAppend) {
    RxBuffer<int> b;
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(b.Push(i));
    EXPECT_EQ(b.Capacity(), 32u);
    EXPECT_EQ(b.Pop(), 19);
    b.Truncate(3);
    EXPECT_EQ(b.Size(), 3);
    b.Clear();
    EXPECT_EQ(b.Pop(), 0); // popping an empty buffer is harmless
    EXPECT_EQ(b.Size(), 0);

    RxBuffer<wchar_t> t;
    ASSERT_TRUE(t.Append(L"abc", 3));
    ASSERT_TRUE(t.Append(L"de", 2));
    EXPECT_EQ(t.Size(), 5);
    EXPECT_EQ(std::wstring(t.Data()), L"abcde"); // a zero follows the content

    RxBuffer<int> r;
    ASSERT_TRUE(r.Resize(4, -1));
    EXPECT_EQ(r[3], -1);
}

// Requests that cannot be met (an element count whose byte size overflows, more than the
// limit) fail and leave the content as it was.
TEST(RxBuffer, FailedGrowthKeepsContent) {
    RxBuffer<std::int64_t> b;
    ASSERT_TRUE(b.Push(42));
    EXPECT_FALSE(b.Reserve(SIZE_MAX));
    EXPECT_FALSE(b.Reserve(SIZE_MAX / 4));
    EXPECT_FALSE(b.Resize(-1, 0));
    EXPECT_EQ(b.Size(), 1);
    EXPECT_EQ(b[0], 42);

    RxBuffer<int> limited;
    limited.SetLimit(10);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(limited.Push(i));
    EXPECT_FALSE(limited.Push(10));
    EXPECT_FALSE(limited.Append(nullptr, 0)); // no room for the closing zero either
    EXPECT_EQ(limited.Size(), 10);
    EXPECT_EQ(limited[9], 9);
}

TEST(RxBuffer, SortedInsertKeepsOrderWithoutDuplicates) {
    RxSortedBuffer<int> b;
    ASSERT_TRUE(b.Push(99)); // entries before `from` are not part of the sorted run
    for (int v : {5, 1, 9, 5, 3})
        b.Insert(v, 1);
    ASSERT_EQ(b.Size(), 5);
    const int expected[] = {99, 1, 3, 5, 9};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(b[i], expected[i]);
    EXPECT_EQ(b.Insert(3, 1), 0);
}
