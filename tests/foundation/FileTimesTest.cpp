#include "foundation/FileTimes.h"

#include <gtest/gtest.h>

TEST(FileTimes, HalvesJoinAndSplitWithoutLoss) {
    const struct {
        DWORD high, low;
        std::uint64_t joined;
    } cases[] = {
        {0, 0, 0},
        {0, 0xFFFFFFFFu, 0xFFFFFFFFull},
        {1, 0, 0x100000000ull},
        // A low half with its top bit set must not spill into the high half.
        {0x01D5C0C1u, 0x80000000u, 0x01D5C0C180000000ull},
        {0xFFFFFFFFu, 0xFFFFFFFFu, ~0ull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileTimeToUInt64(FILETIME{c.low, c.high}), c.joined) << c.joined;
        const FILETIME split = UInt64ToFileTime(c.joined);
        EXPECT_EQ(split.dwHighDateTime, c.high) << c.joined;
        EXPECT_EQ(split.dwLowDateTime, c.low) << c.joined;
    }
}

TEST(FileTimes, LocalTimeMovesByTheZoneBiasOnly) {
    // Whatever zone the machine is in, a local time is the UTC time moved by
    // whole quarter hours, at most 14 hours either way.
    constexpr std::int64_t kQuarterHour = 15 * 60 * 10000000ll;
    for (std::uint64_t utc : {132223104000000000ull, 133500000000000000ull}) {
        const std::uint64_t local = UtcToLocalFileTime(utc);
        ASSERT_NE(local, 0u) << utc;
        const std::int64_t bias = static_cast<std::int64_t>(local - utc);
        EXPECT_EQ(bias % kQuarterHour, 0) << utc;
        EXPECT_LE(std::abs(bias), 56 * kQuarterHour) << utc;
    }
}
