#include "panel/VQSPGroupRange.h"

#include "foundation/DisplayText.h"
#include "foundation/Settings.h"

#include "PanelFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint64_t kDay = 864'000'000'000ULL;

// The GroupSizes bounds for one test.
class ScopedSizeBounds {
public:
    explicit ScopedSizeBounds(std::vector<std::uint64_t> bounds)
        : m_saved(Settings().SizeGroups.Bounds) {
        Settings().SizeGroups.Bounds = std::move(bounds);
    }
    ~ScopedSizeBounds() { Settings().SizeGroups.Bounds = m_saved; }

private:
    std::vector<std::uint64_t> m_saved;
};

std::uint64_t Counts(WORD year, WORD month, WORD day, WORD hour = 10, WORD minute = 20) {
    return SystemTimeToCounts(SYSTEMTIME{year, month, 0, day, hour, minute, 0, 0});
}

} // namespace

TEST(VQSPGroupRange, SizePresetsPickTheUnitTheOperatorsAndTheBounds) {
    ScopedSizeBounds bounds({16384, 1048576, 134217728, 1073741824, 4294967296ULL});
    struct Case {
        int id;
        int unit, op1;
        double size1;
        int op2;
        double size2;
    } cases[] = {
        {10156, 0, OpEqual, 0, OpNone, 0},
        {10157, 1, OpGreater, 0, OpLessEqual, 16},
        {10158, 1, OpGreater, 16, OpLessEqual, 1024},
        {10159, 2, OpGreater, 1, OpLessEqual, 128},
        {10160, 2, OpGreater, 128, OpLessEqual, 1024},
        {10161, 3, OpGreater, 1, OpLessEqual, 4},
        {10162, 3, OpGreater, 4, OpNone, 0},
        {10170, 3, OpGreater, 4, OpNone, 0}, // past the last range: the last one
    };
    PanelWindow w;
    for (const Case& test : cases) {
        SendMessageW(w.panel.Handle(), WM_COMMAND, test.id, 0);
        const SearchCriteria c = w.Read();
        EXPECT_EQ(c.size_mode, test.unit) << test.id;
        EXPECT_EQ(c.size_logic1, test.op1) << test.id;
        EXPECT_EQ(c.size1, test.size1) << test.id;
        EXPECT_EQ(c.size_logic2, test.op2) << test.id;
        EXPECT_EQ(c.size2, test.size2) << test.id;
        EXPECT_EQ(IsWindowEnabled(w.panel.m_sizeGroup.m_size2.Handle()) != FALSE,
                  test.op2 != OpNone)
            << test.id;
    }
    SendMessageW(w.panel.Handle(), WM_COMMAND, kSizePresetClear, 0);
    const SearchCriteria cleared = w.Read();
    EXPECT_EQ(cleared.size_logic1, OpNone);
    EXPECT_EQ(cleared.size_logic2, OpNone);
    EXPECT_EQ(cleared.size_mode, 3); // the unit stays
    EXPECT_TRUE(w.panel.m_sizeGroup.m_atDefaults);
}

// A bound that is no whole number of the larger unit keeps the smaller one.
TEST(VQSPGroupRange, ASizeBoundIsNeverRoundedToALargerUnit) {
    ScopedSizeBounds bounds({1500000, 3145728});
    PanelWindow w;
    SendMessageW(w.panel.Handle(), WM_COMMAND, 10157, 0); // 0 .. 1,500,000
    SearchCriteria c = w.Read();
    EXPECT_EQ(c.size_mode, 0);
    EXPECT_EQ(c.size2, 1500000);
    SendMessageW(w.panel.Handle(), WM_COMMAND, 10158, 0); // 1,500,000 .. 3 MB
    c = w.Read();
    EXPECT_EQ(c.size_mode, 0);
    EXPECT_EQ(c.size1, 1500000);
    EXPECT_EQ(c.size2, 3145728);
    SendMessageW(w.panel.Handle(), WM_COMMAND, 10159, 0); // above 3 MB
    c = w.Read();
    EXPECT_EQ(c.size_mode, 2);
    EXPECT_EQ(c.size1, 3);
}

TEST(VQSPGroupRange, DatePresetsCountFromTheGivenDay) {
    // Wednesday, 2024-03-13, 10:20 local time.
    const SYSTEMTIME now{2024, 3, 3, 13, 10, 20, 0, 0};
    SYSTEMTIME shifted = now;
    ShiftDayOfWeek(shifted);
    const std::uint64_t today = Counts(2024, 3, 13);
    const std::uint64_t weekStart = today - shifted.wDayOfWeek * kDay;
    struct Case {
        int id;
        std::uint64_t date1;
        int op1;
        std::uint64_t date2; // 0: not compared
        int op2;
    } cases[] = {
        {10190, today, OpEqual, 0, OpNone},
        {10191, today - kDay, OpEqual, 0, OpNone},
        {10192, weekStart, OpGreaterEqual, weekStart + 6 * kDay, OpLessEqual},
        {10193, weekStart - 7 * kDay, OpGreaterEqual, weekStart - kDay, OpLessEqual},
        {10194, Counts(2024, 3, 1), OpGreaterEqual, Counts(2024, 4, 1), OpLess},
        {10195, Counts(2024, 2, 1), OpGreaterEqual, Counts(2024, 3, 1), OpLess},
        {10196, Counts(2024, 1, 1), OpGreaterEqual, Counts(2024, 12, 31), OpLessEqual},
        {10197, Counts(2023, 1, 1), OpGreaterEqual, Counts(2023, 12, 31), OpLessEqual},
    };
    PanelWindow w;
    CVQSPGroup_Date& date = w.panel.m_dateGroup;
    for (const Case& test : cases) {
        SetComboSelection(date.m_part, 2);
        date.ApplyPreset(test.id, now);
        date.UpdateState(false);
        const SearchCriteria c = w.Read();
        EXPECT_EQ(c.date_part, 0) << test.id;
        EXPECT_EQ(c.date_logic1, test.op1) << test.id;
        EXPECT_EQ(c.date1, test.date1) << test.id;
        EXPECT_EQ(c.date_logic2, test.op2) << test.id;
        if (test.op2 != OpNone) {
            EXPECT_EQ(c.date2, test.date2) << test.id;
        }
    }
    date.ApplyPreset(kDatePresetClear, now);
    EXPECT_EQ(w.Read().date_logic1, OpNone);
}

TEST(VQSPGroupRange, ThisWeekOnTheFirstDayOfTheWeekStartsToday) {
    wchar_t first[4] = {};
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK, first, 4), 0);
    // LOCALE_IFIRSTDAYOFWEEK counts from Monday (0); 2024-01-01 was a Monday.
    const WORD day = static_cast<WORD>(1 + (first[0] - L'0'));
    const SYSTEMTIME now{2024, 1, static_cast<WORD>((day) % 7), day, 8, 0, 0, 0};
    PanelWindow w;
    w.panel.m_dateGroup.ApplyPreset(10192, now);
    EXPECT_EQ(w.Read().date1, Counts(2024, 1, day, 8, 0));
}

TEST(VQSPGroupRange, AComparisonSetToNoneDisablesItsValueAtOnce) {
    PanelWindow w;
    CVQSPGroup_Size& size = w.panel.m_sizeGroup;
    w.Choose(size.m_logic1, OpLess);
    EXPECT_TRUE(IsWindowEnabled(size.m_size1.Handle()));
    EXPECT_FALSE(size.m_atDefaults);
    w.Choose(size.m_logic1, OpNone);
    EXPECT_FALSE(IsWindowEnabled(size.m_size1.Handle()));
    EXPECT_TRUE(size.m_atDefaults);
    CVQSPGroup_Date& date = w.panel.m_dateGroup;
    w.Choose(date.m_logic2, OpGreater);
    EXPECT_TRUE(IsWindowEnabled(date.m_date2.Handle()));
    EXPECT_FALSE(date.m_atDefaults);
}
