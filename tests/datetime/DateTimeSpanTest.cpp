#include "datetime/DateTimeSpan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

TEST(DateTimeSpanTest, DefaultIsZero) {
    const CDateTimeSpan span;
    EXPECT_EQ(span.GetTotalSeconds(), 0);
    EXPECT_EQ(span.GetTotalDays(), 0);
    EXPECT_EQ(span.GetTotalMinutes(), 0);
}

TEST(DateTimeSpanTest, ComponentsCombineInSixtyFourBits) {
    const struct {
        int days;
        int hours;
        int minutes;
        int seconds;
        std::int64_t expected;
    } cases[] = {
        {0, 0, 0, 1, 1},
        {1, 0, 0, 0, 86400},
        {1, 2, 3, 4, 86400 + 7200 + 180 + 4},
        {-1, 0, 0, -30, -86430},
        // Components of mixed sign are simply summed.
        {1, -1, 0, 0, 82800},
        {0, 0, -1, 30, -30},
        {0, 25, 61, 61, 25 * 3600 + 61 * 60 + 61},
        // 32-bit products would overflow here.
        {kIntMax, 0, 0, 0, std::int64_t{kIntMax} * 86400},
        {kIntMin, 0, 0, 0, std::int64_t{kIntMin} * 86400},
        {0, kIntMax, kIntMax, kIntMax,
         std::int64_t{kIntMax} * 3600 + std::int64_t{kIntMax} * 60 + kIntMax},
        {kIntMax, kIntMax, kIntMax, kIntMax, std::int64_t{kIntMax} * (86400 + 3600 + 60 + 1)},
        {kIntMin, kIntMin, kIntMin, kIntMin, std::int64_t{kIntMin} * (86400 + 3600 + 60 + 1)},
    };
    for (const auto& c : cases) {
        const CDateTimeSpan constructed(c.days, c.hours, c.minutes, c.seconds);
        EXPECT_EQ(constructed.GetTotalSeconds(), c.expected)
            << c.days << ' ' << c.hours << ' ' << c.minutes << ' ' << c.seconds;
        CDateTimeSpan set(12345);
        set.SetDateTimeSpan(c.days, c.hours, c.minutes, c.seconds);
        EXPECT_EQ(set, constructed);
    }
}

TEST(DateTimeSpanTest, TotalsTruncateTowardZeroAndWrapToThirtyTwoBits) {
    const struct {
        std::int64_t seconds;
        int days;
        int minutes;
    } cases[] = {
        {0, 0, 0},
        {59, 0, 0},
        {60, 0, 1},
        {-59, 0, 0},
        {-60, 0, -1},
        {-61, 0, -1},
        {-43200, 0, -720},
        {-86400, -1, -1440},
        {-86401, -1, -1440},
        {86399, 0, 1439},
        {86400, 1, 1440},
        {172799, 1, 2879},
        // Totals beyond 32 bits keep their low 32 bits (two's complement).
        {(std::int64_t{1} << 31) * 60, 1491308, kIntMin},
        {-(std::int64_t{1} << 31) * 60 - 60, -1491308, kIntMax},
        {(std::int64_t{1} << 31) * 86400, kIntMin, 0},
        {(std::int64_t{1} << 32) * 86400, 0, 0},
        {kInt64Max, 579025220, 572662306},
        {kInt64Min, -579025220, -572662306},
    };
    for (const auto& c : cases) {
        const CDateTimeSpan span(c.seconds);
        EXPECT_EQ(span.GetTotalDays(), c.days) << c.seconds;
        EXPECT_EQ(span.GetTotalMinutes(), c.minutes) << c.seconds;
        EXPECT_EQ(span.GetTotalSeconds(), c.seconds);
    }
}

TEST(DateTimeSpanTest, SubtractionIncludingWrapAtTheEnds) {
    const struct {
        std::int64_t a;
        std::int64_t b;
        std::int64_t difference;
    } cases[] = {
        {100, 30, 70},
        {30, 100, -70},
        {-86400, 86400, -172800},
        {0, 0, 0},
        {kInt64Max, kInt64Max, 0},
        // Wraps modulo 2^64 instead of overflowing.
        {kInt64Min, 1, kInt64Max},
        {kInt64Max, -1, kInt64Min},
        {0, kInt64Min, kInt64Min},
    };
    for (const auto& c : cases) {
        const CDateTimeSpan a(c.a);
        const CDateTimeSpan b(c.b);
        EXPECT_EQ((a - b).GetTotalSeconds(), c.difference) << c.a << " - " << c.b;
        CDateTimeSpan inPlace = a;
        inPlace -= b;
        EXPECT_EQ(inPlace.GetTotalSeconds(), c.difference) << c.a << " -= " << c.b;
        // The operands are untouched.
        EXPECT_EQ(a.GetTotalSeconds(), c.a);
        EXPECT_EQ(b.GetTotalSeconds(), c.b);
    }
}

TEST(DateTimeSpanTest, CopyAndAssignment) {
    const CDateTimeSpan original(1, 2, 3, 4);
    CDateTimeSpan copy(original);
    EXPECT_EQ(copy, original);
    CDateTimeSpan assigned;
    assigned = original;
    EXPECT_EQ(assigned.GetTotalSeconds(), 93784);
    assigned -= CDateTimeSpan(4);
    EXPECT_EQ(original.GetTotalSeconds(), 93784);
    EXPECT_FALSE(assigned == original);
}

}  // namespace
