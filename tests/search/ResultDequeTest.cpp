#include "search/ResultDeque.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

namespace {

FoundItem* P(std::uintptr_t n) {
    return reinterpret_cast<FoundItem*>(n * 8);
}

void ExpectSame(const std::deque<FoundItem*>& expected, const ResultDeque& list) {
    ASSERT_EQ(expected.size(), list.size());
    ASSERT_EQ(expected.empty(), list.empty());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), list.begin(), list.end()));
    // Indexes, and a walk backwards across the block ends.
    for (std::size_t i = 0; i < expected.size(); i += 7)
        ASSERT_EQ(expected[i], list[i]) << i;
    auto back = list.end();
    for (auto it = expected.rbegin(); it != expected.rend(); ++it)
        ASSERT_EQ(*it, *--back);
    if (!expected.empty()) {
        EXPECT_EQ(expected.front(), list.front());
        EXPECT_EQ(expected.back(), list.back());
    }
}

} // namespace

// Random insertions, appends and removals against a standard deque, enough
// of them to split blocks many times over.
TEST(ResultDeque, BehavesLikeADeque) {
    std::mt19937 random(4242);
    std::deque<FoundItem*> expected;
    ResultDeque list;
    ExpectSame(expected, list);
    for (int step = 0; step < 30000; ++step) {
        const unsigned kind = random() % 10;
        const FoundItem* item = P(step + 1);
        if (kind < 5) { // middle
            const std::size_t at = expected.empty() ? 0 : random() % (expected.size() + 1);
            auto placed = list.insert(list.begin() + static_cast<std::ptrdiff_t>(at),
                                      const_cast<FoundItem*>(item));
            expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at),
                            const_cast<FoundItem*>(item));
            ASSERT_EQ(at, placed.Index());
            ASSERT_EQ(item, *placed);
        } else if (kind < 8) {
            list.push_back(const_cast<FoundItem*>(item));
            expected.push_back(const_cast<FoundItem*>(item));
        } else if (kind < 9) {
            list.push_front(const_cast<FoundItem*>(item));
            expected.push_front(const_cast<FoundItem*>(item));
        } else if (!expected.empty()) {
            const std::size_t at = random() % expected.size();
            auto after = list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
            ASSERT_EQ(at, after.Index());
        }
        if (step % 5000 == 0)
            ExpectSame(expected, list);
    }
    ExpectSame(expected, list);
}

// What the result code does with the list: sort, reverse and search it in
// place through its iterators, copy, compare and swap it, build it from a
// range and empty it.
TEST(ResultDeque, WorksWithTheStandardAlgorithms) {
    std::vector<FoundItem*> items;
    for (std::uintptr_t i = 0; i < 5000; ++i)
        items.push_back(P((i * 7919) % 5000 + 1));
    ResultDeque list(items.begin(), items.end());
    std::deque<FoundItem*> expected(items.begin(), items.end());
    std::sort(list.begin(), list.end());
    std::sort(expected.begin(), expected.end());
    ExpectSame(expected, list);
    std::reverse(list.begin(), list.end());
    std::reverse(expected.begin(), expected.end());
    ExpectSame(expected, list);
    EXPECT_EQ(std::find(list.begin(), list.end(), P(1)) - list.begin(), 4999);
    EXPECT_EQ(std::lower_bound(list.begin(), list.end(), P(2500), std::greater<>()) - list.begin(),
              2500);

    ResultDeque copy = list;
    EXPECT_TRUE(copy == list);
    copy[10] = P(99999);
    EXPECT_FALSE(copy == list);
    ResultDeque other;
    other.push_back(P(1));
    other.swap(list);
    EXPECT_EQ(1u, list.size());
    ExpectSame(expected, other);
    other.clear();
    EXPECT_TRUE(other.empty());
    EXPECT_TRUE(other.begin() == other.end());
    other.push_back(P(3));
    EXPECT_EQ(P(3), other[0]);
}
