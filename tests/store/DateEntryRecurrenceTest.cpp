// Occurrence queries of CDateEntry: the rules' edge cases, behaviour at the limits of the
// date range, and a cross-check against an independent expansion of the rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "datetime/DateTimeRange.h"
#include "store/OccurrenceTestSupport.h"

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

// --- Edge cases of the rules, as window queries ---

struct WindowCase {
    const char* name;
    std::function<CDateEntry()> make;
    CDateTime from;
    CDateTime to;
    std::vector<Occurrence> expected;
};

class RecurrenceTest : public OccurrenceTest {};

TEST_F(RecurrenceTest, WindowQueriesFindTheOccurrencesOfTheRule) {
    const std::vector<WindowCase> cases = {
        {"daily: the second candidate when the first ends before the window",
         [] { return Every(Dt(2024, 5, 1, 9), 1, 2); }, Dt(2024, 5, 10), Dt(2024, 5, 10, 23, 59, 59),
         {{Dt(2024, 5, 10, 9), Dt(2024, 5, 10, 9)}}},
        {"monthly on the 31st: the last day of February, then the 31st again",
         [] { return Every(Dt(2024, 1, 31, 10), 1, 4); }, Dt(2024, 2, 1), Dt(2024, 3, 31, 23),
         {{Dt(2024, 2, 29, 10), Dt(2024, 2, 29, 10)}, {Dt(2024, 3, 31, 10), Dt(2024, 3, 31, 10)}}},
        {"yearly on 29 February: the 28th in common years",
         [] { return Every(Dt(2024, 2, 29, 7), 1, 5); }, Dt(2025, 1, 1), Dt(2028, 12, 31),
         {{Dt(2025, 2, 28, 7), Dt(2025, 2, 28, 7)},
          {Dt(2026, 2, 28, 7), Dt(2026, 2, 28, 7)},
          {Dt(2027, 2, 28, 7), Dt(2027, 2, 28, 7)},
          {Dt(2028, 2, 29, 7), Dt(2028, 2, 29, 7)}}},
        {"last Friday, whole day",
         [] {
             CDateEntry entry = Monthly(Dt(2024, 1, 1), 5, 4);
             entry.Properties.ShowStartTime = 0;
             return entry;
         },
         Dt(2024, 3, 1), Dt(2024, 3, 31, 23, 59, 59),
         {{Dt(2024, 3, 29), Dt(2024, 3, 29, 23, 59, 59)}}},
        {"second Tuesday over three months",
         [] { return Monthly(Dt(2024, 1, 1, 18), 1, 1); }, Dt(2024, 1, 1), Dt(2024, 3, 31),
         {{Dt(2024, 1, 9, 18), Dt(2024, 1, 9, 18)},
          {Dt(2024, 2, 13, 18), Dt(2024, 2, 13, 18)},
          {Dt(2024, 3, 12, 18), Dt(2024, 3, 12, 18)}}},
        {"fifth Monday: February 2024 has four", [] { return Monthly(Dt(2024, 1, 1, 9), 4, 0); },
         Dt(2024, 2, 1), Dt(2024, 2, 29, 23, 59, 59), {}},
        {"fifth Monday: January 2024 has one", [] { return Monthly(Dt(2024, 1, 1, 9), 4, 0); },
         Dt(2024, 1, 1), Dt(2024, 1, 31), {{Dt(2024, 1, 29, 9), Dt(2024, 1, 29, 9)}}},
        {"a month without the fifth weekday ends the query",
         [] { return Monthly(Dt(2024, 1, 1, 9), 4, 0); }, Dt(2024, 1, 1), Dt(2024, 12, 31),
         {{Dt(2024, 1, 29, 9), Dt(2024, 1, 29, 9)}}},
        {"time condition: hourly occurrences inside 08:00..17:00",
         [] {
             CDateEntry entry = Every(Dt(2024, 6, 3, 7, 59, 59), 1, 1);
             entry.Properties.CondTimeEnable = 1;
             return entry;
         },
         Dt(2024, 6, 3), Dt(2024, 6, 3, 23),
         {{Dt(2024, 6, 3, 8, 59, 59), Dt(2024, 6, 3, 8, 59, 59)},
          {Dt(2024, 6, 3, 9, 59, 59), Dt(2024, 6, 3, 9, 59, 59)},
          {Dt(2024, 6, 3, 10, 59, 59), Dt(2024, 6, 3, 10, 59, 59)},
          {Dt(2024, 6, 3, 11, 59, 59), Dt(2024, 6, 3, 11, 59, 59)},
          {Dt(2024, 6, 3, 12, 59, 59), Dt(2024, 6, 3, 12, 59, 59)},
          {Dt(2024, 6, 3, 13, 59, 59), Dt(2024, 6, 3, 13, 59, 59)},
          {Dt(2024, 6, 3, 14, 59, 59), Dt(2024, 6, 3, 14, 59, 59)},
          {Dt(2024, 6, 3, 15, 59, 59), Dt(2024, 6, 3, 15, 59, 59)},
          {Dt(2024, 6, 3, 16, 59, 59), Dt(2024, 6, 3, 16, 59, 59)}}},
        {"weekday and month conditions",
         [] {
             CDateEntry entry = Every(Dt(2024, 1, 27, 12), 1, 2);
             entry.Properties.CondWeekdays = 0x60;        // Saturday, Sunday
             entry.Properties.CondMonth = 0x2;            // February
             return entry;
         },
         Dt(2024, 1, 1), Dt(2024, 2, 12),
         {{Dt(2024, 2, 3, 12), Dt(2024, 2, 3, 12)},
          {Dt(2024, 2, 4, 12), Dt(2024, 2, 4, 12)},
          {Dt(2024, 2, 10, 12), Dt(2024, 2, 10, 12)},
          {Dt(2024, 2, 11, 12), Dt(2024, 2, 11, 12)}}},
        {"end after three occurrences",
         [] {
             CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
             entry.Properties.RepeatEnd = 1;
             entry.Properties.RepeatEndCount = 3;
             return entry;
         },
         Dt(2024, 1, 1), Dt(2024, 1, 31),
         {{Dt(2024, 1, 1, 9), Dt(2024, 1, 1, 9)},
          {Dt(2024, 1, 2, 9), Dt(2024, 1, 2, 9)},
          {Dt(2024, 1, 3, 9), Dt(2024, 1, 3, 9)}}},
        {"end after a count: a dropped occurrence does not count",
         [] {
             CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
             entry.Properties.RepeatEnd = 1;
             entry.Properties.RepeatEndCount = 2;
             entry.DroppedOccurrences.Add(Dt(2024, 1, 2, 9));
             return entry;
         },
         Dt(2024, 1, 2), Dt(2024, 1, 31), {{Dt(2024, 1, 3, 9), Dt(2024, 1, 3, 9)}}},
        {"end at a date: a start exactly at the end date is allowed",
         [] {
             CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 3);
             entry.Properties.RepeatEnd = 2;
             entry.Properties.RepeatEndDate = Dt(2024, 1, 15, 9);
             return entry;
         },
         Dt(2024, 1, 1), Dt(2024, 3, 1),
         {{Dt(2024, 1, 1, 9), Dt(2024, 1, 1, 9)},
          {Dt(2024, 1, 8, 9), Dt(2024, 1, 8, 9)},
          {Dt(2024, 1, 15, 9), Dt(2024, 1, 15, 9)}}},
        {"single entry inside the window", [] { return Entry(Dt(2024, 4, 2, 14)); },
         Dt(2024, 4, 1), Dt(2024, 4, 30), {{Dt(2024, 4, 2, 14), Dt(2024, 4, 2, 14)}}},
        {"single entry: window ends before it", [] { return Entry(Dt(2024, 4, 2, 14)); },
         Dt(2024, 4, 1), Dt(2024, 4, 2, 13, 59, 59), {}},
        {"single entry: window starts after its end",
         [] {
             CDateEntry entry = Entry(Dt(2024, 4, 2, 14));
             SetLength(entry, 3600);
             return entry;
         },
         Dt(2024, 4, 2, 15, 0, 1), Dt(2024, 4, 30), {}},
        {"single entry: window inside its span",
         [] {
             CDateEntry entry = Entry(Dt(2024, 4, 2, 14));
             SetLength(entry, 3600);
             return entry;
         },
         Dt(2024, 4, 2, 14, 10), Dt(2024, 4, 2, 14, 20),
         {{Dt(2024, 4, 2, 14), Dt(2024, 4, 2, 15)}}},
        {"whole day, no end shown: 00:00:00 to 23:59:59",
         [] {
             CDateEntry entry = Entry(Dt(2024, 4, 2, 14, 30));
             entry.Properties.ShowStartTime = 0;
             return entry;
         },
         Dt(2024, 4, 2, 23, 30), Dt(2024, 4, 3), {{Dt(2024, 4, 2), Dt(2024, 4, 2, 23, 59, 59)}}},
        {"a single entry on a day before the 29th has no occurrence with a fifth-weekday count",
         [] {
             CDateEntry entry = Entry(Dt(2024, 4, 28, 14));
             entry.Properties.RepeatWeekdayCount = 4;
             return entry;
         },
         Dt(2024, 4, 1), Dt(2024, 4, 30), {}},
        {"an hourly series with a fifth-weekday count occurs on the 29th and later only",
         [] {
             CDateEntry entry = Every(Dt(2024, 4, 28, 12), 12, 1);
             entry.Properties.RepeatWeekdayCount = 4;
             return entry;
         },
         Dt(2024, 4, 29), Dt(2024, 4, 30, 23),
         {{Dt(2024, 4, 29), Dt(2024, 4, 29)},
          {Dt(2024, 4, 29, 12), Dt(2024, 4, 29, 12)},
          {Dt(2024, 4, 30), Dt(2024, 4, 30)},
          {Dt(2024, 4, 30, 12), Dt(2024, 4, 30, 12)}}},
        {"overlapping occurrences: every one that covers the window",
         [] {
             CDateEntry entry = Every(Dt(2024, 4, 2, 10), 1, 1);
             SetLength(entry, 3 * 3600);
             return entry;
         },
         Dt(2024, 4, 2, 14, 30), Dt(2024, 4, 2, 14, 30),
         {{Dt(2024, 4, 2, 12), Dt(2024, 4, 2, 15)},
          {Dt(2024, 4, 2, 13), Dt(2024, 4, 2, 16)},
          {Dt(2024, 4, 2, 14), Dt(2024, 4, 2, 17)}}},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = c.make();
        const Iteration found = FindAll(entry, c.from, c.to);
        EXPECT_TRUE(found.complete);
        EXPECT_EQ(found.occurrences, c.expected);
    }
}

TEST_F(RecurrenceTest, MonthlyNextOccurrenceTakesDayAndTimeFromTheStart) {
    const CDateEntry entry = Every(Dt(2024, 1, 31, 10), 1, 4);
    CDateTime start = Dt(2024, 2, 29, 10);
    CDateTime end;
    ASSERT_TRUE(entry.GetNextOccurrence(Dt(2024, 1, 1), Dt(2025, 1, 1), start, end));
    EXPECT_EQ(start, Dt(2024, 3, 31, 10));
    EXPECT_EQ(end, Dt(2024, 3, 31, 10));
}

TEST_F(RecurrenceTest, FifthWeekdayMissingInTheNextMonthEndsTheStep) {
    const CDateEntry entry = Monthly(Dt(2024, 1, 1, 9), 4, 0);
    CDateTime start = Dt(2024, 1, 29, 9);
    CDateTime end = Dt(2000, 1, 1);
    EXPECT_FALSE(entry.GetNextOccurrence(Dt(2024, 1, 1), Dt(2025, 1, 1), start, end));
    EXPECT_EQ(start, Dt(2024, 1, 29, 9)) << "out-parameters stay unchanged on FALSE";
    EXPECT_EQ(end, Dt(2000, 1, 1));
}

// Repeat 2 looks at two months only: from February 2024 the fifth Monday of April lies in
// the third month looked at, so the query finds nothing although April has one.
TEST_F(RecurrenceTest, WeekdayRuleLooksAtTwoMonthsOnly) {
    CDateEntry entry = Monthly(Dt(2024, 2, 1, 9), 4, 0);
    CDateTime start;
    CDateTime end;
    EXPECT_FALSE(entry.GetFirstOccurrence(Dt(2024, 2, 1), Dt(2024, 6, 30), start, end));
    ASSERT_TRUE(entry.GetFirstOccurrence(Dt(2024, 3, 1), Dt(2024, 6, 30), start, end));
    EXPECT_EQ(start, Dt(2024, 4, 29, 9));
}

// A monthly series whose occurrences cross into a later month is looked up from the month
// of the first occurrence's end: the window on 1 March finds the March occurrence, not the
// February one that still runs.
TEST_F(RecurrenceTest, MonthlySeriesWithLongOccurrencesStepsByTheEndMonth) {
    CDateEntry entry = Every(Dt(2024, 1, 1, 10), 1, 4);
    SetLength(entry, 30 * 86400);
    CDateTime start;
    CDateTime end;
    ASSERT_TRUE(entry.GetFirstOccurrence(Dt(2024, 3, 1, 12), Dt(2024, 3, 1, 13), start, end));
    EXPECT_EQ(start, Dt(2024, 3, 1, 10));
    EXPECT_EQ(end, Dt(2024, 3, 31, 10));
}

// When the occurrence is longer than the period, a window inside the first occurrence
// would start the arithmetic before the series; the first occurrence is the series start.
TEST_F(RecurrenceTest, FirstOccurrenceNeverPrecedesTheSeries) {
    CDateEntry entry = Every(Dt(2024, 4, 2, 10), 1, 1);
    SetLength(entry, 3 * 3600);
    CDateTime start;
    CDateTime end;
    ASSERT_TRUE(
        entry.GetFirstOccurrence(Dt(2024, 4, 2, 11, 30), Dt(2024, 4, 2, 11, 40), start, end));
    EXPECT_EQ(start, Dt(2024, 4, 2, 10));
    EXPECT_EQ(end, Dt(2024, 4, 2, 13));
}

TEST_F(RecurrenceTest, SeriesEndIsCachedOnceTheLastOccurrenceIsMet) {
    CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
    SetLength(entry, 1800);
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = 3;
    ASSERT_EQ(FindAll(entry, Dt(2024, 1, 1), Dt(2024, 1, 10)).occurrences.size(), 3u);
    EXPECT_EQ(entry.SeriesEndKnown, 1);
    EXPECT_EQ(entry.SeriesEnd, Dt(2024, 1, 3, 9, 30));

    // The cache answers before any computing: even a longer count is not seen until the
    // cache is cleared, while a window that starts at the end still reaches the search.
    entry.Properties.RepeatEndCount = 10;
    EXPECT_TRUE(FindAll(entry, Dt(2024, 1, 3, 9, 30, 1), Dt(2024, 1, 9)).occurrences.empty());
    EXPECT_EQ(Starts(FindAll(entry, Dt(2024, 1, 3, 9, 30), Dt(2024, 1, 4, 9))),
              (std::vector<CDateTime>{Dt(2024, 1, 3, 9), Dt(2024, 1, 4, 9)}));
    entry.SeriesEndKnown = 0;
    EXPECT_EQ(FindAll(entry, Dt(2024, 1, 3, 9, 30, 1), Dt(2024, 1, 9)).occurrences.size(), 5u);
}

TEST_F(RecurrenceTest, CountOccurrencesUntilCountsAllowedOccurrences) {
    struct Case {
        const char* name;
        std::function<void(CDateEntry&)> adjust;
        CDateTime until;
        int expected;
    };
    const std::vector<Case> cases = {
        {"first", [](CDateEntry&) {}, Dt(2024, 1, 1, 9), 1},
        {"tenth", [](CDateEntry&) {}, Dt(2024, 1, 10, 9), 10},
        {"between occurrences", [](CDateEntry&) {}, Dt(2024, 1, 10, 12), 10},
        {"before the series", [](CDateEntry&) {}, Dt(2023, 12, 31), 0},
        {"a drop does not count",
         [](CDateEntry& e) { e.DroppedOccurrences.Add(Dt(2024, 1, 5, 9)); }, Dt(2024, 1, 10, 9), 9},
        {"weekends only", [](CDateEntry& e) { e.Properties.CondWeekdays = 0x60; },
         Dt(2024, 1, 31, 9), 8},
        {"stops one past the end count",
         [](CDateEntry& e) {
             e.Properties.RepeatEnd = 1;
             e.Properties.RepeatEndCount = 4;
         },
         Dt(2024, 1, 31, 9), 5},
        {"no stop below the largest end count",
         [](CDateEntry& e) {
             e.Properties.RepeatEnd = 1;
             e.Properties.RepeatEndCount = kIntMax;
         },
         Dt(2024, 12, 31, 9), 366},
        {"a midnight limit before the day's occurrence", [](CDateEntry&) {}, Dt(2024, 1, 10), 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
        c.adjust(entry);
        EXPECT_EQ(entry.CountOccurrencesUntil(c.until), c.expected);
    }
}

// The count of a series with a fixed period has a closed form, also under the time, weekday
// and month conditions and with drops; it must give exactly what walking the series
// occurrence by occurrence gives, series-end cache included.
TEST_F(RecurrenceTest, CountingAgreesWithAWalkOverTheSeries) {
    std::mt19937_64 rng(77);
    auto uniform = [&rng](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    };
    const std::vector<int> endCounts = {-1, 0, 1, 2, 5, 50, 500, kIntMax};
    for (int i = 0; i < 2500; ++i) {
        const int unit = static_cast<int>(uniform(1, 3));
        const int rate = static_cast<int>(uniform(0, 3) == 0 ? uniform(1, 30) : uniform(1, 3));
        const std::int64_t period = rate * (unit == 1 ? 1 : unit == 2 ? 24 : 168) * 3600;
        const bool nearEnd = uniform(0, 9) == 0;
        const CDateTime start =
            nearEnd ? CDateTimeRange::Last() - CDateTimeSpan(period * uniform(0, 40) + 7)
                    : Dt(static_cast<int>(uniform(1990, 2030)), static_cast<int>(uniform(1, 12)),
                         static_cast<int>(uniform(1, 28)), static_cast<int>(uniform(0, 23)),
                         static_cast<int>(uniform(0, 59)));
        CDateEntry entry = Every(start, rate, unit);
        DateEntryProperties& p = entry.Properties;
        SetLength(entry, uniform(-2 * period, 3 * period));
        p.ShowStartTime = uniform(0, 4) == 0 ? 0 : 1;
        p.RepeatEnd = static_cast<int>(uniform(0, 2));
        p.RepeatEndCount = endCounts[uniform(0, endCounts.size() - 1)];
        if (uniform(0, 9) == 0) p.RepeatWeekdayCount = 4;
        if (uniform(0, 2) == 0) p.CondWeekdays = static_cast<int>(uniform(0, 127));
        if (uniform(0, 2) == 0) p.CondMonth = static_cast<int>(uniform(0, 4095));
        if (uniform(0, 3) == 0) {
            p.CondTimeEnable = 1;
            p.CondStartTime =
                CDateTime::FromStored(1, static_cast<std::int32_t>(uniform(0, 86399)));
            p.CondEndTime = CDateTime::FromStored(1, static_cast<std::int32_t>(uniform(0, 86399)));
        }
        // Hourly and daily series reach across months within the walk.
        const std::int64_t reach = unit == 3 ? 300 : 3000;
        for (int d = static_cast<int>(uniform(0, 12)); d > 0; --d) {
            const CDateTime item =
                start + CDateTimeSpan(period * uniform(0, reach) + (uniform(0, 3) == 0 ? 60 : 0));
            entry.DroppedOccurrences.Add(item);
        }
        // The same instant as an occurrence, stored with a second of day out of range.
        entry.DroppedOccurrences.Add(CDateTime::FromStored(start.GetDayNumber() - 1, 86400));
        // A RepeatEndCount within the series now and then, so that the cached end moves with
        // the drops and conditions.
        if (p.RepeatEnd == 1 && uniform(0, 2) == 0) {
            p.RepeatEndCount = static_cast<int>(uniform(1, reach / 2));
        }
        CDateTime t;
        switch (uniform(0, 3)) {
            case 0:
                t = start + CDateTimeSpan(period * uniform(-3, reach));
                break;
            case 1:
                t = (start + CDateTimeSpan(period * uniform(0, reach))).GetDateOnly();
                break;
            case 2:
                t = start + CDateTimeSpan(uniform(0, reach * period));
                break;
            default:
                t = nearEnd ? CDateTimeRange::Last() : start + CDateTimeSpan(uniform(-86400, 0));
                break;
        }
        SCOPED_TRACE("start " + Text(start) + " rate " + std::to_string(rate) + " unit " +
                     std::to_string(unit) + " until " + Text(t) + " end " +
                     std::to_string(p.RepeatEnd) + "/" + std::to_string(p.RepeatEndCount) +
                     " weekdays " + std::to_string(p.CondWeekdays) + " months " +
                     std::to_string(p.CondMonth) + " time " + std::to_string(p.CondTimeEnable));
        const Walk expected = WalkCount(entry, t);
        entry.SeriesEndKnown = 0;
        ASSERT_EQ(entry.CountOccurrencesUntil(t), expected.count);
        ASSERT_EQ(entry.SeriesEndKnown != 0, expected.endKnown);
        if (expected.endKnown) {
            ASSERT_EQ(entry.SeriesEnd, expected.seriesEnd);
        }
    }
}

TEST_F(RecurrenceTest, CounterPastTheLargestCountEndsTheSeries) {
    CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = kIntMax;
    entry.OccurrenceCounter = kIntMax;
    CDateTime start = Dt(2024, 1, 1, 9);
    CDateTime end;
    EXPECT_FALSE(entry.FindNextOccurrence(Dt(2024, 1, 1), Dt(2024, 2, 1), start, end));
    EXPECT_EQ(entry.OccurrenceCounter, kIntMax);

    entry.OccurrenceCounter = kIntMax - 1;
    start = Dt(2024, 1, 1, 9);
    ASSERT_TRUE(entry.FindNextOccurrence(Dt(2024, 1, 1), Dt(2024, 2, 1), start, end));
    EXPECT_EQ(entry.OccurrenceCounter, kIntMax);
    EXPECT_EQ(entry.SeriesEndKnown, 1);
    EXPECT_EQ(entry.SeriesEnd, Dt(2024, 1, 2, 9));
}

TEST_F(RecurrenceTest, DurationAndSpans) {
    struct DurationCase {
        int showStartTime;
        int showEnd;
        CDateTime end;
        std::int64_t expected;
    };
    const CDateTime start = Dt(2024, 3, 10, 14, 15, 16);
    const std::vector<DurationCase> durations = {
        {1, 0, Dt(2024, 3, 12), 0},
        {1, 1, Dt(2024, 3, 10, 15, 15, 16), 3600},
        {1, 1, Dt(2024, 3, 10, 13, 15, 16), -3600},
        {0, 0, Dt(2024, 3, 12), 86399},
        {0, 1, Dt(2024, 3, 12, 1), 3 * 86400 - 1},
        {0, 1, Dt(2024, 3, 9, 12), -1},
    };
    for (const DurationCase& c : durations) {
        SCOPED_TRACE(Text(c.end) + " showStartTime " + std::to_string(c.showStartTime) +
                     " showEnd " + std::to_string(c.showEnd));
        CDateEntry entry = Entry(start);
        entry.Properties.ShowStartTime = c.showStartTime;
        entry.Properties.ShowEnd = c.showEnd;
        entry.Properties.EndDate = c.end;
        EXPECT_EQ(entry.GetDuration().GetTotalSeconds(), c.expected);
    }

    struct SpanCase {
        int amount;
        int unit;
        std::int64_t seconds;
    };
    const std::vector<SpanCase> spans = {
        {15, 0, 900},
        {-15, 0, -900},
        {2, 1, 7200},
        {3, 2, 259200},
        {2, 3, 1209600},
        {5, 4, 0},
        {5, -1, 0},
        {kIntMax, 3, std::int64_t{kIntMax} * 604800},
        {kIntMin, 3, std::int64_t{kIntMin} * 604800},
    };
    for (const SpanCase& c : spans) {
        SCOPED_TRACE(std::to_string(c.amount) + " unit " + std::to_string(c.unit));
        EXPECT_EQ(CDateEntry::MakeSpan(c.amount, c.unit).GetTotalSeconds(), c.seconds);
    }
}

TEST_F(RecurrenceTest, DroppedOccurrenceLookups) {
    CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
    SetItems(entry.DroppedOccurrences, {Dt(2024, 1, 3, 9), Dt(2024, 1, 5, 9), Dt(2024, 1, 3, 9)});
    EXPECT_EQ(entry.GetDroppedOccurrenceCount(), 3);
    EXPECT_EQ(entry.FindDroppedOccurrence(Dt(2024, 1, 3, 9)), 0);
    EXPECT_EQ(entry.FindDroppedOccurrence(Dt(2024, 1, 5, 9)), 1);
    EXPECT_EQ(entry.FindDroppedOccurrence(Dt(2024, 1, 5, 9, 0, 1)), -1);
    EXPECT_TRUE(entry.IsOccurrenceDropped(Dt(2024, 1, 5, 9)));
    EXPECT_FALSE(entry.IsOccurrenceDropped(Dt(2024, 1, 4, 9)));
    EXPECT_EQ(entry.GetDroppedOccurrence(1), Dt(2024, 1, 5, 9));
    EXPECT_FALSE(entry.IsOccurrenceAllowed(Dt(2024, 1, 5, 9)));
    EXPECT_TRUE(entry.IsOccurrenceAllowed(Dt(2024, 1, 4, 9)));
    EXPECT_EQ(Starts(FindAll(entry, Dt(2024, 1, 2), Dt(2024, 1, 6, 23))),
              (std::vector<CDateTime>{Dt(2024, 1, 2, 9), Dt(2024, 1, 4, 9), Dt(2024, 1, 6, 9)}));
}

TEST_F(RecurrenceTest, TimeConditionBoundsAreInclusive) {
    CDateEntry entry = Every(Dt(2024, 6, 3, 7), 1, 1);
    entry.Properties.CondTimeEnable = 1;
    const std::vector<std::pair<CDateTime, bool>> cases = {
        {Dt(2024, 6, 3, 7, 59, 59), false},
        {Dt(2024, 6, 3, 8), true},
        {Dt(2024, 6, 3, 17), true},
        {Dt(2024, 6, 3, 17, 0, 1), false},
    };
    for (const auto& [start, allowed] : cases) {
        EXPECT_EQ(entry.IsOccurrenceAllowed(start), allowed) << Text(start);
    }
    entry.Properties.CondTimeEnable = 0;
    EXPECT_TRUE(entry.IsOccurrenceAllowed(Dt(2024, 6, 3, 17, 0, 1)));
}

TEST_F(RecurrenceTest, ConditionsDoNotApplyToASingleEntry) {
    CDateEntry entry = Entry(Dt(2024, 6, 2, 20));  // a Sunday evening
    entry.Properties.CondTimeEnable = 1;
    entry.Properties.CondWeekdays = 0x1F;
    entry.Properties.CondMonth = 0;
    EXPECT_TRUE(entry.IsOccurrenceAllowed(Dt(2024, 6, 2, 20)));
    entry.Properties.Repeat = 1;
    EXPECT_FALSE(entry.IsOccurrenceAllowed(Dt(2024, 6, 2, 20)));
}

// --- Rule values outside the tables ---

TEST_F(RecurrenceTest, RulesWithoutAStep) {
    struct Case {
        const char* name;
        int repeat;
        int rate;
        int unit;
        bool hasFirst;
    };
    const std::vector<Case> cases = {
        {"rate 0 (the feed's default): the first occurrence only", 1, 0, 2, true},
        {"negative rate: the first occurrence only", 1, -5, 1, true},
        {"lowest rate: the first occurrence only", 1, kIntMin, 4, true},
        {"unknown unit 0", 1, 1, 0, false},
        {"unknown unit 6", 1, 1, 6, false},
        {"unknown repeat 3", 3, 1, 2, false},
        {"unknown repeat -1", -1, 1, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = Entry(Dt(2024, 7, 1, 9));
        SetLength(entry, 7200);
        entry.Properties.Repeat = c.repeat;
        entry.Properties.RepeatRate = c.rate;
        entry.Properties.RepeatUnit = c.unit;
        entry.Properties.RepeatEnd = 1;
        entry.Properties.RepeatEndCount = 5;
        const std::vector<Occurrence> first = {{Dt(2024, 7, 1, 9), Dt(2024, 7, 1, 11)}};
        EXPECT_EQ(FindAll(entry, Dt(2024, 1, 1), Dt(2030, 1, 1)).occurrences,
                  c.hasFirst ? first : std::vector<Occurrence>{});
        EXPECT_EQ(GetAll(entry, Dt(2024, 7, 1, 10), Dt(2024, 7, 1, 10)).occurrences,
                  c.hasFirst ? first : std::vector<Occurrence>{});
        EXPECT_TRUE(FindAll(entry, Dt(2024, 7, 1, 11, 0, 1), Dt(2030, 1, 1)).occurrences.empty());
        EXPECT_EQ(entry.CountOccurrencesUntil(Dt(2030, 1, 1)), c.hasFirst ? 1 : 0);
        CDateTime start = Dt(2024, 7, 1, 9);
        CDateTime end;
        EXPECT_FALSE(entry.GetNextOccurrence(Dt(2024, 1, 1), Dt(2030, 1, 1), start, end));
    }
}

// Every rule whose next step would leave the day numbers of the stored form stops there.
TEST_F(RecurrenceTest, StepsBeyondTheDateRangeEndTheSeries) {
    const CDateTime last = CDateTimeRange::Last();
    const CDateTime nearLast = last - CDateTimeSpan(1800);
    struct Case {
        const char* name;
        std::function<CDateEntry()> make;
    };
    const std::vector<Case> cases = {
        {"hourly near the last day", [&] { return Every(nearLast, 1, 1); }},
        {"largest rate in weeks", [] { return Every(Dt(2024, 1, 1, 9), kIntMax, 3); }},
        {"largest rate in months", [] { return Every(Dt(2024, 1, 1, 9), kIntMax, 4); }},
        {"largest rate in years", [] { return Every(Dt(2024, 1, 1, 9), kIntMax, 5); }},
        {"yearly near the last day", [&] { return Every(nearLast, 1, 5); }},
        {"monthly near the last day", [&] { return Every(nearLast, 1, 4); }},
        {"largest weekday count", [] { return Monthly(Dt(2024, 1, 1, 9), kIntMax, 3); }},
        {"lowest weekday count", [] { return Monthly(Dt(2024, 1, 1, 9), kIntMin, 3); }},
        {"largest weekday", [] { return Monthly(Dt(2024, 1, 1, 9), 0, kIntMax); }},
        {"lowest weekday", [] { return Monthly(Dt(2024, 1, 1, 9), 0, kIntMin); }},
        {"last Friday near the last day", [&] { return Monthly(nearLast, 5, 4); }},
        {"occurrence ending beyond the range",
         [&] {
             CDateEntry entry = Every(Dt(9999, 12, 31, 23), 1, 2);
             entry.Properties.ShowEnd = 1;
             entry.Properties.EndDate = last;
             return entry;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = c.make();
        entry.Properties.RepeatEnd = 1;
        entry.Properties.RepeatEndCount = kIntMax;
        const CDateTime first = CDateTimeRange::First();
        const Iteration bare = GetAll(entry, first, last);
        EXPECT_TRUE(bare.complete);
        for (std::size_t i = 0; i < bare.occurrences.size(); ++i) {
            EXPECT_TRUE(CDateTimeRange::Contains(bare.occurrences[i].start));
            EXPECT_TRUE(CDateTimeRange::Contains(bare.occurrences[i].end));
            if (i > 0) {
                EXPECT_LT(bare.occurrences[i - 1].start, bare.occurrences[i].start);
            }
        }
        const Iteration found = FindAll(entry, first, last);
        EXPECT_TRUE(found.complete);
        EXPECT_LE(found.occurrences.size(), bare.occurrences.size());
        EXPECT_LE(entry.CountOccurrencesUntil(last), static_cast<int>(bare.occurrences.size()));
        CDateTime start = last;
        CDateTime end;
        EXPECT_FALSE(entry.GetNextOccurrence(first, last, start, end));
    }
}

TEST_F(RecurrenceTest, YearZeroAndYear9999Starts) {
    // Year 0 shares its day numbers with year 1: 0000-12-30 is day 365, as is 0001-12-31.
    CDateEntry yearZero = Every(Dt(0, 12, 30, 12), 1, 2);
    const Iteration zero = FindAll(yearZero, CDateTimeRange::First(), Dt(1, 12, 31, 23));
    EXPECT_TRUE(zero.complete);
    EXPECT_EQ(Starts(zero), std::vector<CDateTime>{Dt(1, 12, 31, 12)});

    CDateEntry late = Every(Dt(9999, 12, 30, 12), 1, 2);
    EXPECT_EQ(
        Starts(FindAll(late, Dt(9999, 12, 1), Dt(10000, 1, 2))),
        (std::vector<CDateTime>{Dt(9999, 12, 30, 12), Dt(9999, 12, 31, 12), Dt(10000, 1, 1, 12)}));
}

// --- Weekday counts outside 0..5 ---

// The weekday rule steps from the first same weekday of the next month by the count in
// weeks; a count below 0 leads back to the previous start (or before it), so a window
// iteration would never end. A next occurrence must start strictly after the previous one.
TEST_F(RecurrenceTest, WeekdayCountsOutsideTheTableNeverStepBack) {
    std::vector<int> counts = {-4, -3, -2, -1, 6, 7, 8, 9, 10};
    for (int count : counts) {
        for (int weekday = 0; weekday < 7; ++weekday) {
            SCOPED_TRACE("count " + std::to_string(count) + " weekday " + std::to_string(weekday));
            CDateEntry entry = Monthly(Dt(2024, 1, 1, 9), count, weekday);
            entry.Properties.RepeatEnd = 1;
            entry.Properties.RepeatEndCount = kIntMax;
            const CDateTime from = Dt(2023, 1, 1);
            const CDateTime to = Dt(2026, 1, 1);
            // Every day of 2024 as a previous start.
            for (CDateTime previous = Dt(2024, 1, 1, 9); previous < Dt(2025, 1, 1);
                 previous += CDateTimeSpan(86400)) {
                CDateTime start = previous;
                CDateTime end;
                if (entry.GetNextOccurrence(from, to, start, end)) {
                    ASSERT_GT(start, previous) << Text(previous);
                }
            }
            const Iteration bare = GetAll(entry, from, to, 1000);
            ASSERT_TRUE(bare.complete);
            const Iteration found = FindAll(entry, from, to, 1000);
            ASSERT_TRUE(found.complete);
            EXPECT_EQ(found.occurrences, bare.occurrences);
            EXPECT_EQ(entry.CountOccurrencesUntil(to), static_cast<int>(bare.occurrences.size()));
            entry.LastCheckTime = from;
            entry.UpdateReminders(to);
            EXPECT_EQ(Items(entry.DueOccurrences), Starts(bare));
            // A one-instant window looks at two months only, so the unusual dates of these
            // counts may not be found again; what stays must be.
            entry.PurgeOccurrenceLists();
            for (const CDateTime& item : Items(entry.DueOccurrences)) {
                CDateTime start;
                CDateTime end;
                EXPECT_TRUE(entry.FindFirstOccurrence(item, item, start, end)) << Text(item);
            }
        }
    }
}

// --- Cross-check against an independent expansion ---

// Proleptic Gregorian calendar from first principles (days from civil, after H. Hinnant),
// on the scale of CDateTime: day 1 is 0001-01-01.
namespace civil {

std::int64_t DayNumber(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 719163;
}

bool IsLeap(std::int64_t y) {
    return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

int DaysIn(std::int64_t y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

int Weekday(std::int64_t dayNumber) {
    return static_cast<int>((dayNumber + 6) % 7);
}

std::int64_t Seconds(std::int64_t y, int m, int d, std::int64_t secondOfDay) {
    return DayNumber(y, m, d) * 86400 + secondOfDay;
}

// Month of a day number, found by walking from a known month (the values here are near).
void MonthOf(std::int64_t dayNumber, std::int64_t& y, int& m) {
    y = 1 + (dayNumber - 1) / 366;
    m = 1;
    while (DayNumber(y + 1, 1, 1) <= dayNumber) ++y;
    while (m < 12 && DayNumber(y, m + 1, 1) <= dayNumber) ++m;
}

}  // namespace civil

enum class EKind { Hours, Months, Weekday };

struct Rule {
    EKind kind;
    int repeatRate;
    int repeatUnit;
    int weekdayCount;
    int weekday;
    std::int64_t start;     // seconds
    std::int64_t duration;  // seconds, >= 0
    int condWeekdays;
    int condMonth;
    bool condTime;
    std::int64_t condFrom;  // second of day
    std::int64_t condTo;
    int repeatEnd;
    int repeatEndCount;
    std::int64_t repeatEndDate;
    std::vector<std::int64_t> dropped;
};

CDateTime ToDateTime(std::int64_t seconds) {
    return CDateTime::FromStored(static_cast<std::int32_t>(seconds / 86400),
                                 static_cast<std::int32_t>(seconds % 86400));
}

// Starts of the bare rule from its start up to `limit`, in order.
std::vector<std::int64_t> ExpandRule(const Rule& r, std::int64_t limit) {
    std::vector<std::int64_t> starts;
    const std::int64_t startDay = r.start / 86400;
    const std::int64_t time = r.start % 86400;
    std::int64_t y0 = 0;
    int m0 = 0;
    civil::MonthOf(startDay, y0, m0);
    const int d0 = static_cast<int>(startDay - civil::DayNumber(y0, m0, 1)) + 1;
    switch (r.kind) {
        case EKind::Hours: {
            const std::int64_t factor = r.repeatUnit == 1 ? 1 : r.repeatUnit == 2 ? 24 : 168;
            const std::int64_t period = r.repeatRate * factor * 3600;
            for (std::int64_t s = r.start; s <= limit; s += period) starts.push_back(s);
            break;
        }
        case EKind::Months: {
            const int step = r.repeatUnit == 4 ? r.repeatRate : r.repeatRate * 12;
            for (std::int64_t index = m0 - 1;; index += step) {
                const std::int64_t y = y0 + index / 12;
                const int m = static_cast<int>(index % 12) + 1;
                const std::int64_t s =
                    civil::Seconds(y, m, std::min(d0, civil::DaysIn(y, m)), time);
                if (s > limit) break;
                starts.push_back(s);
            }
            break;
        }
        case EKind::Weekday: {
            for (std::int64_t index = (y0 * 12) + m0 - 1;; ++index) {
                const std::int64_t y = index / 12;
                const int m = static_cast<int>(index % 12) + 1;
                std::vector<int> days;
                for (int d = 1; d <= civil::DaysIn(y, m); ++d) {
                    if (civil::Weekday(civil::DayNumber(y, m, d)) == r.weekday) days.push_back(d);
                }
                const int day = r.weekdayCount == 5 ? days.back() : days[r.weekdayCount];
                const std::int64_t s = civil::Seconds(y, m, day, time);
                if (s > limit) break;
                if (s >= r.start) starts.push_back(s);
            }
            break;
        }
    }
    return starts;
}

// Starts of the series: allowed by the conditions, not dropped, within the end.
std::vector<std::int64_t> ExpandSeries(const Rule& r, std::int64_t limit) {
    std::vector<std::int64_t> series;
    for (std::int64_t s : ExpandRule(r, limit)) {
        const std::int64_t day = s / 86400;
        const std::int64_t time = s % 86400;
        std::int64_t y = 0;
        int m = 0;
        civil::MonthOf(day, y, m);
        if (std::find(r.dropped.begin(), r.dropped.end(), s) != r.dropped.end()) continue;
        if (r.condTime && (time < r.condFrom || time > r.condTo)) continue;
        if (((r.condWeekdays >> civil::Weekday(day)) & 1) == 0) continue;
        if (((r.condMonth >> (m - 1)) & 1) == 0) continue;
        if (r.repeatEnd == 1 && static_cast<int>(series.size()) == r.repeatEndCount) break;
        if (r.repeatEnd == 2 && s > r.repeatEndDate) break;
        series.push_back(s);
    }
    return series;
}

CDateEntry MakeEntry(const Rule& r) {
    CDateEntry entry;
    DateEntryProperties& p = entry.Properties;
    p.StartDate = ToDateTime(r.start);
    p.EndDate = ToDateTime(r.start + r.duration);
    p.ShowStartTime = 1;
    p.ShowEnd = 1;
    p.Repeat = r.kind == EKind::Weekday ? 2 : 1;
    p.RepeatRate = r.repeatRate;
    p.RepeatUnit = r.repeatUnit;
    p.RepeatWeekdayCount = r.weekdayCount;
    p.RepeatWeekday = r.weekday;
    p.RepeatEnd = r.repeatEnd;
    p.RepeatEndCount = r.repeatEndCount;
    p.RepeatEndDate = ToDateTime(r.repeatEndDate);
    p.CondWeekdays = r.condWeekdays;
    p.CondMonth = r.condMonth;
    p.CondTimeEnable = r.condTime ? 1 : 0;
    p.CondStartTime = CDateTime::FromStored(1, static_cast<std::int32_t>(r.condFrom));
    p.CondEndTime = CDateTime::FromStored(1, static_cast<std::int32_t>(r.condTo));
    for (std::int64_t s : r.dropped) entry.DroppedOccurrences.Add(ToDateTime(s));
    return entry;
}

Rule RandomRule(std::mt19937_64& rng) {
    auto uniform = [&rng](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    };
    Rule r{};
    const std::int64_t startDay = civil::DayNumber(1995, 1, 1) + uniform(0, 365 * 35);
    std::int64_t time = uniform(0, 86399);
    if (uniform(0, 1) == 0) time -= time % 900;  // often on a quarter hour
    switch (uniform(0, 5)) {
        case 0:
            r.kind = EKind::Hours;
            r.repeatRate = static_cast<int>(uniform(1, 48));
            r.repeatUnit = 1;
            break;
        case 1:
            r.kind = EKind::Hours;
            r.repeatRate = static_cast<int>(uniform(1, 10));
            r.repeatUnit = 2;
            break;
        case 2:
            r.kind = EKind::Hours;
            r.repeatRate = static_cast<int>(uniform(1, 6));
            r.repeatUnit = 3;
            break;
        case 3:
            r.kind = EKind::Months;
            r.repeatRate = static_cast<int>(uniform(1, 5));
            r.repeatUnit = 4;
            break;
        case 4:
            r.kind = EKind::Months;
            r.repeatRate = static_cast<int>(uniform(1, 2));
            r.repeatUnit = 5;
            break;
        default: {
            static const int kCounts[] = {0, 1, 2, 3, 5};
            r.kind = EKind::Weekday;
            r.weekdayCount = kCounts[uniform(0, 4)];
            r.weekday = static_cast<int>(uniform(0, 6));
            break;
        }
    }
    r.start = startDay * 86400 + time;
    if (r.kind == EKind::Hours) {
        const std::int64_t factor = r.repeatUnit == 1 ? 1 : r.repeatUnit == 2 ? 24 : 168;
        r.duration = uniform(0, 3 * r.repeatRate * factor * 3600);
    } else if (r.kind == EKind::Months) {
        // Occurrences that end on their start day: the month lookup counts from the month
        // of the first end.
        r.duration = uniform(0, 86399 - time);
    } else {
        r.duration = uniform(0, 10 * 86400);
    }
    r.condWeekdays = uniform(0, 2) == 0 ? static_cast<int>(uniform(1, 127)) : 127;
    r.condMonth = uniform(0, 2) == 0 ? static_cast<int>(uniform(1, 4095)) : 4095;
    r.condTime = uniform(0, 3) == 0;
    r.condFrom = uniform(0, 86399);
    r.condTo = uniform(r.condFrom, 86399);
    r.repeatEnd = static_cast<int>(uniform(0, 2));
    r.repeatEndCount = static_cast<int>(uniform(0, 400));
    r.repeatEndDate = r.start + uniform(-86400, 4 * 365 * 86400);
    // Drop a few real occurrences and one instant that is none.
    const std::vector<std::int64_t> early = ExpandRule(r, r.start + 2 * 365 * 86400);
    for (int i = static_cast<int>(uniform(0, 3)); i > 0 && !early.empty(); --i) {
        r.dropped.push_back(early[static_cast<std::size_t>(
            uniform(0, std::min<std::int64_t>(30, static_cast<std::int64_t>(early.size()) - 1)))]);
    }
    r.dropped.push_back(r.start + 1);
    return r;
}

TEST_F(RecurrenceTest, WindowQueriesAgreeWithAnIndependentExpansion) {
    std::mt19937_64 rng(20240517);
    int windows = 0;
    int windowsWithOccurrences = 0;
    for (int ruleIndex = 0; ruleIndex < 400; ++ruleIndex) {
        const Rule rule = RandomRule(rng);
        CDateEntry entry = MakeEntry(rule);
        const std::int64_t horizon = rule.start + 5 * 366 * 86400;
        const std::vector<std::int64_t> series = ExpandSeries(rule, horizon);
        for (int windowIndex = 0; windowIndex < 12; ++windowIndex) {
            std::uniform_int_distribution<std::int64_t> offset(-60 * 86400, 4 * 365 * 86400);
            std::uniform_int_distribution<std::int64_t> length(0, 75 * 86400);
            std::int64_t from = rule.start + offset(rng);
            std::int64_t to = from + length(rng);
            if (windowIndex % 4 == 0 && !series.empty()) {
                // One instant inside a real occurrence.
                const std::int64_t s =
                    series[std::uniform_int_distribution<std::size_t>(0, series.size() - 1)(rng)];
                from = to = s + std::uniform_int_distribution<std::int64_t>(0, rule.duration)(rng);
            }
            std::vector<Occurrence> expected;
            for (std::int64_t s : series) {
                if (s <= to && s + rule.duration >= from) {
                    expected.push_back({ToDateTime(s), ToDateTime(s + rule.duration)});
                }
            }
            SCOPED_TRACE("rule " + std::to_string(ruleIndex) + " start " +
                         Text(ToDateTime(rule.start)) + " window " + Text(ToDateTime(from)) +
                         " .. " + Text(ToDateTime(to)));
            ++windows;
            if (!expected.empty()) ++windowsWithOccurrences;
            // The same entry across windows also checks the cached series end.
            const Iteration found = FindAll(entry, ToDateTime(from), ToDateTime(to));
            ASSERT_TRUE(found.complete);
            ASSERT_EQ(found.occurrences, expected)
                << "kind " << static_cast<int>(rule.kind) << " rate " << rule.repeatRate << " unit "
                << rule.repeatUnit << " count " << rule.weekdayCount << " weekday " << rule.weekday
                << " end " << rule.repeatEnd << "/" << rule.repeatEndCount << " duration "
                << rule.duration;
            // The number of an occurrence is its place in the series.
            if (!expected.empty() && rule.repeatEnd != 1) {
                const auto place = std::find(series.begin(), series.end(),
                                             CDateTimeRange::ToSeconds(expected.front().start)) -
                                   series.begin();
                ASSERT_EQ(entry.CountOccurrencesUntil(expected.front().start), place + 1);
            }
        }
    }
    // The random windows must mostly meet occurrences, or the agreement says little.
    EXPECT_GT(windowsWithOccurrences, windows / 3);
}

// Counts that reach over calendar cycles of 400 years, where the closed form multiplies the
// allowed occurrences of one cycle (or of a few, when the period does not divide one): the
// independent expansion walks every candidate.
TEST_F(RecurrenceTest, CountsOverCalendarCyclesAgreeWithTheExpansion) {
    struct Case {
        const char* name;
        Rule rule;
        std::int64_t until;
    };
    auto rule = [](int rate, int unit, std::int64_t start, int weekdays, int months, bool time) {
        Rule r{};
        r.kind = EKind::Hours;
        r.repeatRate = rate;
        r.repeatUnit = unit;
        r.start = start;
        r.duration = 1800;
        r.condWeekdays = weekdays;
        r.condMonth = months;
        r.condTime = time;
        r.condFrom = 9 * 3600;
        r.condTo = 17 * 3600;
        r.repeatEnd = 0;
        return r;
    };
    const std::vector<Case> cases = {
        {"weekly, February Mondays, 1200 years",
         rule(1, 3, civil::Seconds(1583, 1, 3, 9 * 3600), 127, 0x2, false),
         civil::Seconds(2790, 1, 1, 0)},
        {"every 11 days (a cycle of 4,400 years), working days in odd months, office hours",
         rule(11, 2, civil::Seconds(1601, 3, 5, 9 * 3600), 0x1F, 0x555, true),
         civil::Seconds(7000, 6, 1, 0)},
        {"every 3 weeks, weekends in summer",
         rule(3, 3, civil::Seconds(1, 1, 6, 0), 0x60, 0x1C0, false), civil::Seconds(2100, 1, 1, 0)},
        {"every 7 hours, Sundays of December, office hours",
         rule(7, 1, civil::Seconds(2000, 1, 1, 30 * 60), 0x40, 0x800, true),
         civil::Seconds(2450, 1, 1, 0)},
        {"every 29 hours (a cycle of 11,600 years, walked month by month), Mondays of March",
         rule(29, 1, civil::Seconds(1601, 1, 1, 0), 0x1, 0x4, false),
         civil::Seconds(3000, 1, 1, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::int64_t> series = ExpandSeries(c.rule, c.until);
        ASSERT_FALSE(series.empty());
        CDateEntry entry = MakeEntry(c.rule);
        EXPECT_EQ(entry.CountOccurrencesUntil(ToDateTime(c.until)),
                  static_cast<int>(series.size()));
        // Ending after a count: the end cached is that of the last occurrence of the count,
        // also with one of the occurrences before it dropped.
        Rule counted = c.rule;
        counted.repeatEnd = 1;
        counted.repeatEndCount = static_cast<int>(series.size() - 3);
        counted.dropped = {series[series.size() / 2]};
        const std::vector<std::int64_t> countedSeries = ExpandSeries(counted, c.until);
        ASSERT_EQ(countedSeries.size(), series.size() - 3);
        CDateEntry countedEntry = MakeEntry(counted);
        EXPECT_EQ(countedEntry.CountOccurrencesUntil(ToDateTime(countedSeries.back() - 1)),
                  counted.repeatEndCount - 1);
        EXPECT_EQ(countedEntry.SeriesEndKnown, 0);
        EXPECT_EQ(countedEntry.CountOccurrencesUntil(ToDateTime(c.until)),
                  counted.repeatEndCount + 1);
        EXPECT_EQ(countedEntry.SeriesEndKnown, 1);
        EXPECT_EQ(countedEntry.SeriesEnd, ToDateTime(countedSeries.back() + c.rule.duration));
    }
}

// --- Rules that a feed can make hostile ---

// Non-Sunday hours from 0001-01-01 00:00 up to and including the hour that starts at `t`
// (a whole hour): the count of an hourly series from year 1 on six weekdays.
std::int64_t HoursExceptSundays(const CDateTime& t) {
    const std::int64_t days = t.GetDayNumber() - 1;  // whole days before t's day
    const std::int64_t sundays = days / 7;           // day 7 is the first Sunday
    const bool sunday = t.GetDayOfWeek() == 6;
    return (days - sundays) * 24 + (sunday ? 0 : t.GetHour() + 1);
}

// A count that does not depend on the distance to the date: an hourly series from year 1,
// on six weekdays, ending after INT32_MAX occurrences, queried now and near year 20000 (the
// walk took seconds and an hour for these).
TEST_F(RecurrenceTest, CountingFarFromTheStartDoesNotWalk) {
    CDateEntry entry = Every(Dt(1, 1, 1), 1, 1);
    SetLength(entry, 3600);
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = kIntMax;
    entry.Properties.CondWeekdays = 0x3F;
    const CDateTime now = Dt(2026, 12, 10, 8, 30);
    CDateTime start;
    CDateTime end;
    ASSERT_TRUE(entry.FindFirstOccurrence(now, now, start, end));
    EXPECT_EQ(start, Dt(2026, 12, 10, 8));  // a Thursday
    EXPECT_EQ(entry.OccurrenceCounter, HoursExceptSundays(start));

    const CDateTime drop = Dt(20000, 1, 1);  // a Saturday
    entry.DropOccurrence(drop);
    entry.PurgeOccurrenceLists();
    EXPECT_EQ(Items(entry.DroppedOccurrences), std::vector<CDateTime>{drop});
    const CDateTime later = Dt(20000, 1, 1, 5);
    EXPECT_EQ(entry.CountOccurrencesUntil(later), HoursExceptSundays(later) - 1);
    EXPECT_FALSE(entry.FindFirstOccurrence(drop, drop + CDateTimeSpan(1800), start, end) &&
                 start == drop);

    // Occurrences that end a day before they start, from the second day: the walk over
    // [S, t] meets the occurrences that start by t and then those that end by t, a day of
    // starts beyond it; a midnight t stops it at the first occurrence of its day. Every count
    // here passes the bound of candidates that a walk may take, so none of them walked.
    CDateEntry early = Every(Dt(1, 1, 2), 1, 1);
    SetLength(early, -86400);
    early.Properties.RepeatEnd = 1;
    early.Properties.RepeatEndCount = kIntMax;
    early.Properties.CondWeekdays = 0x3F;
    auto hours = [](const CDateTime& t) { return HoursExceptSundays(t) - 24; };
    const CDateTime hour = Dt(2026, 12, 10, 8);
    ASSERT_TRUE(early.FindFirstOccurrence(hour, hour, start, end));
    EXPECT_EQ(end, hour);
    EXPECT_EQ(early.OccurrenceCounter, hours(Dt(2026, 12, 12, 8)));
    EXPECT_GT(early.OccurrenceCounter, CDateEntry::kMostCandidatesPerQuery);
    EXPECT_EQ(early.CountOccurrencesUntil(Dt(2026, 12, 10)), hours(Dt(2026, 12, 10)));
    // With the count ending at the occurrence that ends at `hour`, the occurrences met at an
    // instant of the day before end there and start a day later, within the count: the purge
    // keeps those drops and forgets the one whose occurrence starts after the count.
    early.Properties.RepeatEndCount = static_cast<std::int32_t>(hours(Dt(2026, 12, 11, 8)));
    early.DropOccurrence(Dt(2026, 12, 9, 8));
    early.DropOccurrence(Dt(2026, 12, 10, 9));
    early.PurgeOccurrenceLists();
    EXPECT_EQ(Items(early.DroppedOccurrences), std::vector<CDateTime>{Dt(2026, 12, 9, 8)});
}

// Rules whose conditions refuse every candidate are known before any walk; long occurrences
// start the search at the first candidate that can overlap. Each of these walked to the end
// of its window before.
TEST_F(RecurrenceTest, RefusedCandidatesAreNotWalked) {
    const CDateTime from = Dt(1, 1, 1);
    const CDateTime to = CDateTimeRange::Last();
    struct Case {
        const char* name;
        std::function<CDateEntry()> make;
    };
    const std::vector<Case> cases = {
        {"a time window that no start meets",
         [] {
             CDateEntry e = Every(Dt(1, 1, 1, 0, 30), 1, 1);
             SetLength(e, CDateTimeRange::ToSeconds(Dt(9999, 12, 31, 23, 59, 59)) -
                              CDateTimeRange::ToSeconds(Dt(1, 1, 1, 0, 30)));
             e.Properties.CondTimeEnable = 1;
             e.Properties.CondStartTime = Dt(2000, 1, 1, 10);
             e.Properties.CondEndTime = Dt(2000, 1, 1, 10);
             return e;
         }},
        {"the first Monday, Mondays refused",
         [] {
             CDateEntry e = Monthly(Dt(1, 1, 1, 9), 0, 0);
             e.Properties.CondWeekdays = 0x7E;
             return e;
         }},
        {"every 14 days on Mondays, Mondays refused",
         [] {
             CDateEntry e = Every(Dt(1, 1, 1, 9), 14, 2);
             e.Properties.CondWeekdays = 0x7E;
             return e;
         }},
        {"monthly on the 31st, only in months without one",
         [] {
             CDateEntry e = Every(Dt(1, 1, 31, 9), 1, 4);
             e.Properties.CondMonth = 0x2;  // February: the 28th or 29th
             e.Properties.CondWeekdays = 0;
             return e;
         }},
        {"monthly at 09:00, a window in the afternoon",
         [] {
             CDateEntry e = Every(Dt(1, 1, 31, 9), 1, 4);
             e.Properties.CondTimeEnable = 1;
             e.Properties.CondStartTime = Dt(2000, 1, 1, 13);
             e.Properties.CondEndTime = Dt(2000, 1, 1, 17);
             return e;
         }},
        {"February in a monthly series that skips it",
         [] {
             CDateEntry e = Every(Dt(1, 1, 15, 9), 12, 4);  // every January
             e.Properties.CondMonth = 0x2;
             return e;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = c.make();
        EXPECT_TRUE(FindAll(entry, from, to).occurrences.empty());
        EXPECT_TRUE(FindAll(entry, Dt(2026, 12, 10, 10), Dt(2026, 12, 10, 10)).occurrences.empty());
        EXPECT_EQ(entry.CountOccurrencesUntil(Dt(9999, 12, 31)), 0);
        entry.LastCheckTime = from;
        EXPECT_FALSE(entry.UpdateReminders(Dt(2026, 12, 10, 10)));
        EXPECT_TRUE(entry.DueOccurrences.IsEmpty());
    }

    // Occurrences of a hundred years, every hour, on Sundays only: an instant in 2050 is
    // overlapped by the occurrences that start from 1950 on, the first of them on the first
    // Sunday of the series.
    CDateEntry entry = Every(Dt(2000, 1, 1, 0, 15), 1, 1);  // a Saturday
    SetLength(entry, 36525LL * 86400);
    entry.Properties.CondWeekdays = 0x40;
    CDateTime start;
    CDateTime end;
    ASSERT_TRUE(entry.FindFirstOccurrence(Dt(2050, 6, 15, 12), Dt(2050, 6, 15, 12), start, end));
    EXPECT_EQ(start, Dt(2000, 1, 2, 0, 15));
    ASSERT_TRUE(entry.FindFirstOccurrence(Dt(2150, 6, 15, 12), Dt(2150, 6, 15, 12), start, end));
    EXPECT_EQ(start, Dt(2050, 6, 19, 0, 15));  // the first Sunday of those from 2050-06-15 12:00
    ASSERT_TRUE(entry.FindNextOccurrence(Dt(2150, 6, 15, 12), Dt(2150, 6, 15, 12), start, end));
    EXPECT_EQ(start, Dt(2050, 6, 19, 1, 15));
}

// A rule that no closed form covers still ends: a count walks at most the bound of
// candidates. A monthly series from year 1 has some seventy million months up to the end of
// the date range.
TEST_F(RecurrenceTest, EveryCountIsBounded) {
    CDateEntry entry = Every(Dt(1, 1, 1, 9), 1, 4);
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = kIntMax;
    const CDateTime last = CDateTimeRange::Last();
    EXPECT_EQ(entry.CountOccurrencesUntil(last), CDateEntry::kMostCandidatesPerQuery);
    // Within the bound the count is exact: 12 a year.
    EXPECT_EQ(entry.CountOccurrencesUntil(Dt(2000, 12, 31)), 24000);
}

}  // namespace

// Counts of series with hundreds of drops, looked up through the drops' index and, for a
// fixed period, through the drops turned into candidate indices once per rule: equal to a
// walk over every occurrence after every kind of change of the drops and of the rule.
TEST_F(RecurrenceTest, CountsFollowEveryChangeOfManyDrops) {
    std::mt19937_64 rng(17);
    auto random = [&rng](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    struct Case {
        const char* name;
        CDateEntry entry;
    };
    std::vector<Case> cases;
    cases.push_back({"every 5 hours", Every(Dt(2020, 1, 1, 1), 5, 1)});
    cases.push_back({"daily", Every(Dt(2020, 1, 1, 9), 1, 2)});
    cases.push_back({"first Monday", Monthly(Dt(2000, 1, 3, 9), 0, 0)});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry& entry = c.entry;
        entry.Properties.RepeatEnd = 1;
        entry.Properties.RepeatEndCount = 100000;
        const std::vector<CDateTime> candidates =
            Starts(GetAll(entry, entry.Properties.StartDate, Dt(2090, 1, 1), 1000));
        ASSERT_EQ(candidates.size(), 1000u);
        auto check = [&] {
            for (int probe = 0; probe < 6; ++probe) {
                const CDateTime t = candidates[static_cast<std::size_t>(random(0, 999))];
                ASSERT_EQ(entry.CountOccurrencesUntil(t), WalkCount(entry, t).count) << Text(t);
            }
        };
        for (int k = 0; k < 1000; k += random(1, 3)) {
            entry.DroppedOccurrences.Add(candidates[static_cast<std::size_t>(k)]);
        }
        check();
        for (int step = 0; step < 60; ++step) {
            const CDateTime t = candidates[static_cast<std::size_t>(random(0, 999))];
            switch (random(0, 4)) {
                case 0:
                    entry.DropOccurrence(t);
                    break;
                case 1:
                    entry.RestoreOccurrence(t);
                    break;
                case 2:
                    entry.DroppedOccurrences.Edit().Add(t);
                    break;
                case 3:
                    entry.Properties.CondWeekdays = random(1, 127);
                    break;
                default:
                    entry.DroppedOccurrences.RemoveAt(0);
                    break;
            }
            check();
            if (HasFailure()) return;
        }
    }
}
