#include "foundation/Buffers.h"

#include <gtest/gtest.h>

#include <string>

TEST(SharedBuffer, AllocResetSwapRelease) {
    SharedBuffer a;
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(a.Size(), 0u);
    ASSERT_TRUE(a.Alloc(16));
    EXPECT_EQ(a.Size(), 16u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(a.Data()), 16), std::string(16, '\0'));
    a.Data()[0] = 'x';

    SharedBuffer copy = a; // shares the bytes
    EXPECT_EQ(copy.Data(), a.Data());
    ReleaseSharedBuffer(a);
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(a.Size(), 0u);
    EXPECT_EQ(copy.Data()[0], 'x'); // the other owner keeps them

    SharedBuffer b;
    b.Swap(copy);
    EXPECT_EQ(b.Size(), 16u);
    EXPECT_EQ(b.Data()[0], 'x');
    EXPECT_EQ(copy.Data(), nullptr);
    EXPECT_EQ(copy.Size(), 0u);

    EXPECT_FALSE(b.Alloc(0));
    EXPECT_EQ(b.Data(), nullptr);
    EXPECT_EQ(b.Size(), 0u);

    b.Reset(new uint8_t[4]{1, 2, 3, 4});
    EXPECT_NE(b.Data(), nullptr);
    EXPECT_EQ(b.Size(), 0u);
    b.Reset(new uint8_t[4]{1, 2, 3, 4}, 4);
    EXPECT_EQ(b.Size(), 4u);
    EXPECT_EQ(b.Data()[3], 4);
}

TEST(mvByteBuffer, AllocateAndFree) {
    mvByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(8));
    EXPECT_EQ(buffer.Size(), 8u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.Data()), 8), std::string(8, '\0'));
    buffer.Data()[0] = 1;
    ASSERT_TRUE(buffer.Allocate(4)); // a fresh, zero-filled array
    EXPECT_EQ(buffer.Data()[0], 0);
    EXPECT_FALSE(buffer.Allocate(0));
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Size(), 0u);
    ASSERT_TRUE(buffer.Allocate(2));
    mvByteBuffer moved(std::move(buffer));
    EXPECT_EQ(moved.Size(), 2u);
    EXPECT_EQ(buffer.Data(), nullptr);
    moved.Free();
    EXPECT_EQ(moved.Size(), 0u);
    EXPECT_EQ(moved.Data(), nullptr);
}
