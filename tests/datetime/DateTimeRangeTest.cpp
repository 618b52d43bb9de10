// Checked date arithmetic at the ends of the representable range.
#include "datetime/DateTimeRange.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr std::int64_t kDay = CDateTimeRange::kSecondsPerDay;

TEST(DateTimeRangeTest, TryAddStaysWithinTheRange) {
    const CDateTime first = CDateTimeRange::First();
    const CDateTime last = CDateTimeRange::Last();
    EXPECT_EQ(first.GetDayNumber(), 1);
    EXPECT_EQ(first.GetSecondOfDay(), 0);
    EXPECT_EQ(last.GetDayNumber(), std::numeric_limits<std::int32_t>::max() - 1);
    EXPECT_EQ(last.GetSecondOfDay(), 86399);

    struct Case {
        CDateTime base;
        std::int64_t seconds;
        bool ok;
        std::int32_t day;
        std::int32_t second;
    };
    const std::vector<Case> cases = {
        {first, 0, true, 1, 0},
        {first, -1, false, 0, 0},
        {first, kDay + 5, true, 2, 5},
        {last, 0, true, last.GetDayNumber(), 86399},
        {last, 1, false, 0, 0},
        {last, -86400, true, last.GetDayNumber() - 1, 86399},
        {CDateTime(2024, 3, 1), -1, true, CDateTime(2024, 2, 29).GetDayNumber(), 86399},
        {CDateTime(2024, 3, 1), std::int64_t{1} << 53, false, 0, 0},
        {CDateTime(2024, 3, 1), -(std::int64_t{1} << 53), false, 0, 0},
        // A damaged value outside the range may still reach back into it.
        {CDateTime::FromStored(-5, 0), 10 * kDay, true, 5, 0},
        {CDateTime::FromStored(std::numeric_limits<std::int32_t>::max(), 86399), -1, false, 0, 0},
        {CDateTime::FromStored(std::numeric_limits<std::int32_t>::max(), 86399), -kDay, true,
         std::numeric_limits<std::int32_t>::max() - 1, 86399},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.base.GetDayNumber()) + " + " + std::to_string(c.seconds));
        CDateTime result = CDateTime(1999, 9, 9);
        EXPECT_EQ(CDateTimeRange::TryAdd(c.base, c.seconds, result), c.ok);
        if (c.ok) {
            EXPECT_EQ(result.GetDayNumber(), c.day);
            EXPECT_EQ(result.GetSecondOfDay(), c.second);
            EXPECT_TRUE(CDateTimeRange::Contains(result));
        } else {
            EXPECT_EQ(result, CDateTime(1999, 9, 9));
        }
    }
}

TEST(DateTimeRangeTest, AddClampedLimitsToTheEnds) {
    const CDateTime first = CDateTimeRange::First();
    const CDateTime last = CDateTimeRange::Last();
    const CDateTime mid(2024, 5, 17, 8, 30, 0);
    EXPECT_EQ(CDateTimeRange::AddClamped(mid, std::numeric_limits<std::int64_t>::max()), last);
    EXPECT_EQ(CDateTimeRange::AddClamped(mid, std::numeric_limits<std::int64_t>::min()), first);
    EXPECT_EQ(CDateTimeRange::AddClamped(last, 1), last);
    EXPECT_EQ(CDateTimeRange::AddClamped(first, -1), first);
    EXPECT_EQ(CDateTimeRange::AddClamped(mid, 90), CDateTime(2024, 5, 17, 8, 31, 30));
    EXPECT_FALSE(CDateTimeRange::Contains(CDateTime::FromStored(0, 0)));
    EXPECT_FALSE(CDateTimeRange::Contains(CDateTime::FromStored(5, 86400)));
    EXPECT_FALSE(CDateTimeRange::Contains(CDateTime::FromStored(5, -1)));
    EXPECT_TRUE(CDateTimeRange::Contains(mid));
}

}  // namespace
