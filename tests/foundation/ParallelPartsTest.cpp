#include "foundation/ParallelParts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Record {
    int key;
    int found; // breaks ties, so the order is total
};

bool Before(const Record& a, const Record& b) {
    return a.key != b.key ? a.key < b.key : a.found < b.found;
}

std::vector<Record> Records(int count, int keys) {
    std::vector<Record> records;
    std::uint32_t seed = 7;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        records.push_back({static_cast<int>(seed >> 8) % keys, i});
    }
    return records;
}

TEST(ParallelParts, SortInPartsGivesTheWholeSortForAnyNumberOfParts) {
    struct Case {
        int count, keys;
        std::size_t parts;
    };
    // Even and odd numbers of runs to merge, more parts than records, none.
    const Case cases[] = {{0, 1, 4},    {1, 1, 3},       {5, 2, 8},     {1000, 7, 1},
                          {1000, 7, 2}, {1001, 7, 3},    {4099, 50, 5}, {4099, 50, 7},
                          {777, 1, 6},  {20000, 5000, 8}};
    for (const Case& c : cases) {
        std::vector<Record> records = Records(c.count, c.keys);
        std::vector<Record> expected = records;
        std::sort(expected.begin(), expected.end(), Before);
        SortInParts(records.data(), records.size(), c.parts, Before);
        ASSERT_EQ(expected.size(), records.size());
        EXPECT_TRUE(std::equal(
            expected.begin(), expected.end(), records.begin(),
            [](const Record& a, const Record& b) { return a.key == b.key && a.found == b.found; }))
            << c.count << " records in " << c.parts << " parts";
    }
}

TEST(ParallelParts, EveryPartRunsOnceAndAFailureIsThrownAfterAllEnded) {
    std::vector<std::atomic<int>> runs(6);
    RunParts(runs.size(), [&](std::size_t part) { ++runs[part]; });
    for (const auto& count : runs)
        EXPECT_EQ(1, count.load());

    std::atomic<int> ended{0};
    EXPECT_THROW(RunParts(5,
                          [&](std::size_t part) {
                              if (part == 3)
                                  throw std::runtime_error("part 3");
                              std::this_thread::sleep_for(std::chrono::milliseconds(20));
                              ++ended;
                          }),
                 std::runtime_error);
    EXPECT_EQ(4, ended.load()) << "the other parts ran to their end first";

    // A comparator that throws ends the sort with its exception.
    std::vector<Record> records = Records(40000, 10);
    std::atomic<int> calls{0};
    EXPECT_THROW(SortInParts(records.data(), records.size(), 4,
                             [&](const Record& a, const Record& b) {
                                 if (++calls > 100000)
                                     throw std::runtime_error("stop");
                                 return Before(a, b);
                             }),
                 std::runtime_error);
}

TEST(ParallelParts, PartsFollowTheSizeAndTheCap) {
    const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_EQ(1u, PartsFor(0, 100, 8));
    EXPECT_EQ(1u, PartsFor(199, 100, 8));
    EXPECT_EQ(std::min<std::size_t>(processors, 2), PartsFor(200, 100, 8));
    EXPECT_EQ(std::min<std::size_t>(processors, 3), PartsFor(1000000, 100, 3));
    // Parts cover the records without gap or overlap, in nearly equal sizes.
    for (std::size_t parts : {1u, 3u, 7u})
        for (std::size_t count : {0u, 5u, 100u, 1001u}) {
            EXPECT_EQ(0u, PartBegin(count, parts, 0));
            EXPECT_EQ(count, PartBegin(count, parts, parts));
            for (std::size_t part = 0; part < parts; ++part) {
                const std::size_t size =
                    PartBegin(count, parts, part + 1) - PartBegin(count, parts, part);
                EXPECT_LE(size, count / parts + 1);
                EXPECT_GE(size, count / parts);
            }
        }
}

} // namespace
