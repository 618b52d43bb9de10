// The walk of a series' candidates and the counts it answers: with no drop in place, with a
// drop set, and with one drop of the set taken out again.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "datetime/DateTimeRange.h"
#include "store/OccurrenceTestSupport.h"
#include "store/SeriesWalk.h"

namespace {

class SeriesWalkTest : public OccurrenceTest {
protected:
    // Monthly on the 15th at 10:00 for an hour from January 2024, June refused by the month
    // condition; February, April, June and July dropped. The allowed candidates are every
    // month but June; of them Jan, Mar, May and Aug .. Dec are kept.
    static CDateEntry Fifteenth() {
        CDateEntry entry = Every(Dt(2024, 1, 15, 10), 1, 4);
        SetLength(entry, 3600);
        entry.Properties.CondMonth = 0xFFF & ~(1 << 5);
        return entry;
    }
    static CDateTime On(int month) { return Dt(2024, month, 15, 10); }
    static std::vector<CDateTime> Drops() { return {On(2), On(4), On(6), On(7)}; }
    static constexpr std::int64_t kAll = std::numeric_limits<std::int64_t>::max();
};

TEST_F(SeriesWalkTest, CountsWithNoDropsWithTheDropsAndWithOneTakenOut) {
    CSeriesWalk walk;
    ASSERT_TRUE(walk.Walk(Fifteenth(), Dt(2024, 12, 31), Drops(), kAll));
    const CDateTime none;  // in no drop set
    struct Case {
        const char* name;
        CDateTime c;
        bool withDrops;
        CDateTime excluded;
        std::int64_t count;
    };
    const std::vector<Case> cases = {
        {"all allowed by March", On(3), false, none, 3},
        {"kept by March", On(3), true, none, 2},
        {"kept by March with February back", On(3), true, On(2), 3},
        {"a drop taken out after c does not count", On(3), true, On(4), 2},
        {"just before a start", On(3) - CDateTimeSpan(1), true, none, 1},
        {"a refused drop taken out stays refused", On(6), true, On(6), 3},
        {"the year", Dt(2024, 12, 31), false, none, 11},
        {"the year, kept", Dt(2024, 12, 31), true, none, 8},
        {"before the start", Dt(2024, 1, 1), false, none, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(walk.Count(c.c, c.withDrops, c.excluded), c.count);
    }
}

TEST_F(SeriesWalkTest, EndOfTheNthWithADropTakenOut) {
    CSeriesWalk walk;
    ASSERT_TRUE(walk.Walk(Fifteenth(), Dt(2024, 12, 31), Drops(), kAll));
    const CDateTime none;
    struct Case {
        const char* name;
        std::int64_t n;
        bool withDrops;
        CDateTime excluded;
        bool found;
        int month;  // of the n-th
    };
    const std::vector<Case> cases = {
        {"fourth allowed", 4, false, none, true, 4},
        {"eleventh allowed", 11, false, none, true, 12},
        {"no twelfth", 12, false, none, false, 0},
        {"third kept", 3, true, none, true, 5},
        {"the drop taken out is the n-th", 3, true, On(4), true, 4},
        {"the drop taken out comes before the n-th", 4, true, On(2), true, 5},
        {"the drop taken out comes after the n-th", 2, true, On(7), true, 3},
        {"the ninth with one back", 9, true, On(2), true, 12},
        {"no tenth with one back", 10, true, On(2), false, 0},
        {"no zeroth", 0, true, none, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateTime end;
        ASSERT_EQ(walk.FindEndOfNth(c.n, c.withDrops, c.excluded, end), c.found);
        if (c.found) {
            EXPECT_EQ(end, On(c.month) + CDateTimeSpan(3600));
        }
    }
}

// The walk stops once it has met enough kept candidates, and where the walk of the rule ends:
// a fifth Monday that February 2024 lacks.
TEST_F(SeriesWalkTest, WalksNoFurtherThanNeeded) {
    CSeriesWalk walk;
    ASSERT_TRUE(walk.Walk(Fifteenth(), Dt(2024, 12, 31), Drops(), 3));
    EXPECT_EQ(walk.Count(Dt(2024, 12, 31), false, CDateTime()), 5);  // up to May, the third kept

    CDateEntry fifthMonday = Monthly(Dt(2024, 1, 1, 9), 4, 0);
    ASSERT_TRUE(walk.Walk(fifthMonday, Dt(2024, 12, 31), {}, kAll));
    EXPECT_EQ(walk.Count(Dt(2024, 12, 31), false, CDateTime()), 1);
    CDateTime end;
    ASSERT_TRUE(walk.FindEndOfNth(1, false, CDateTime(), end));
    EXPECT_EQ(end, Dt(2024, 1, 29, 9));
}

}  // namespace
