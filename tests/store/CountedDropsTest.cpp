// Judging the dropped occurrences of a series that ends after a count, all drops of one purge
// together: which drops stay, and the series end and counter that the judgement leaves.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "datetime/DateTimeRange.h"
#include "store/CountedDrops.h"
#include "store/OccurrenceTestSupport.h"
#include "store/PurgeReference.h"

namespace {

using Dates = std::vector<CDateTime>;

// Random values for the cases below, from a fixed seed.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_rng(seed) {}
    std::int64_t operator()(std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(m_rng);
    }
    int Pick(std::initializer_list<int> values) {
        return values.begin()[(*this)(0, static_cast<std::int64_t>(values.size()) - 1)];
    }
    // Now and then a weekday, a month and a time-of-day condition.
    void Conditions(DateEntryProperties& p) {
        if ((*this)(0, 2) == 0) p.CondWeekdays = static_cast<int>((*this)(1, 127));
        if ((*this)(0, 3) == 0) p.CondMonth = static_cast<int>((*this)(1, 4095));
        if ((*this)(0, 3) == 0) {
            p.CondTimeEnable = 1;
            p.CondStartTime = Dt(1, 1, 1, static_cast<int>((*this)(0, 12)));
            p.CondEndTime = Dt(1, 1, 1, static_cast<int>((*this)(12, 23)));
        }
    }

private:
    std::mt19937_64 m_rng;
};

// How often the purges of the random cases kept drops and how often they removed some: both
// must be common, or their agreement with the queries says little.
struct Outcomes {
    int withDropsKept = 0;
    int withDropsRemoved = 0;
    void Add(const CDateEntry& purged, std::size_t listed) {
        if (!purged.DroppedOccurrences.IsEmpty()) ++withDropsKept;
        if (static_cast<std::size_t>(purged.DroppedOccurrences.GetSize()) < listed) {
            ++withDropsRemoved;
        }
    }
};

class CountedDropsTest : public OccurrenceTest {
protected:
    // Whether the drops of `entry` are judged in one pass, as the purge hands them over.
    static bool JudgedInOnePass(const CDateEntry& entry) {
        CDateEntry copy = entry;
        CDateTimeArray all;
        all.Append(copy.DroppedOccurrences);
        copy.DroppedOccurrences.RemoveAll();
        std::vector<bool> keep;
        return CCountedDrops::Judge(copy, all, keep);
    }
    // Purges `entry` and compares it with the judgement by one query per drop: the drops
    // kept, in the list's order, and the series end and counter that the queries leave. With
    // `counted` false the series cannot reach its count and the purge counts nothing: the
    // counter stays as it was.
    static void PurgeAsByQueries(CDateEntry& entry, bool counted = true) {
        CDateEntry expected = entry;
        reference::PurgeDropsByQueries(expected);
        const std::int32_t counter = entry.OccurrenceCounter;
        entry.PurgeOccurrenceLists();
        EXPECT_EQ(Items(entry.DroppedOccurrences), Items(expected.DroppedOccurrences));
        EXPECT_EQ(entry.SeriesEndKnown, 0);
        EXPECT_EQ(entry.SeriesEnd, expected.SeriesEnd);
        EXPECT_EQ(entry.OccurrenceCounter, counted ? expected.OccurrenceCounter : counter);
    }
};

// Random series by months, years and the n-th weekday (and the rules beside them that no
// closed form counts: a fifth-weekday check on a fixed period, a step below 1, codes outside
// the tables), with conditions, occurrences long enough to overlap the next ones, and drops
// on the rule, inside occurrences, off the rule, before the start, listed twice and far past
// the end. The one pass must agree with one query per drop in every case it takes on.
TEST_F(CountedDropsTest, OnePassAgreesWithAQueryPerDrop) {
    Random uniform(20261211);
    auto pick = [&uniform](std::initializer_list<int> values) { return uniform.Pick(values); };
    constexpr std::int64_t kDay = 86400;
    Outcomes outcomes;
    int withEndCached = 0;
    for (int i = 0; i < 800; ++i) {
        const int year = static_cast<int>(uniform(1995, 2030));
        const int month = static_cast<int>(uniform(1, 12));
        const int day = static_cast<int>(uniform(1, CDateTime::DaysInMonth(year, month)));
        const CDateTime start =
            Dt(year, month, day, static_cast<int>(uniform(0, 23)), pick({0, 30}));
        CDateEntry entry;
        std::string rule;
        switch (uniform(0, 9)) {
            case 0:
            case 1:
            case 2:
                entry = Every(start, pick({1, 1, 2, 3, 6}), 4);
                rule = "months";
                break;
            case 3:
            case 4:
                entry = Every(start, pick({1, 1, 2}), 5);
                rule = "years";
                break;
            case 5:
            case 6:
            case 7:
                entry = Monthly(start, static_cast<int>(uniform(0, 5)),
                                static_cast<int>(uniform(0, 6)));
                rule = "weekday";
                break;
            case 8:
                entry =
                    Every(start, static_cast<int>(uniform(1, 3)), static_cast<int>(uniform(1, 3)));
                entry.Properties.RepeatWeekdayCount = 4;
                rule = "fixed period, fifth weekday";
                break;
            default:
                entry = Monthly(start, pick({-1, 6, 9}), static_cast<int>(uniform(0, 6)));
                if (uniform(0, 1) == 0) entry = Every(start, 0, 4);
                rule = "outside the tables";
                break;
        }
        DateEntryProperties& p = entry.Properties;
        if (uniform(0, 4) == 0) p.ShowStartTime = 0;
        switch (uniform(0, 9)) {
            case 0:
            case 1:
            case 2:
                SetLength(entry, uniform(0, 80 * kDay));
                break;
            case 3:
                SetLength(entry, -uniform(1, 2 * kDay));
                break;
            default:
                SetLength(entry, uniform(0, 3 * 3600));
                break;
        }
        p.RepeatEnd = 1;
        p.RepeatEndCount = static_cast<int>(uniform(0, 20) == 0 ? -1 : uniform(0, 30));
        uniform.Conditions(p);

        const Dates candidates = Starts(GetAll(entry, p.StartDate, CDateTimeRange::Last(), 120));
        Dates drops;
        for (int d = static_cast<int>(uniform(0, 25)); d > 0; --d) {
            const std::int64_t k = uniform(-3, 110);
            CDateTime item = k >= 0 && k < static_cast<std::int64_t>(candidates.size())
                                 ? candidates[static_cast<std::size_t>(k)]
                                 : start + CDateTimeSpan(k * 30 * kDay);
            if (uniform(0, 5) == 0) item += CDateTimeSpan(uniform(1, 3 * kDay));
            if (uniform(0, 40) == 0) item = Dt(static_cast<int>(uniform(2100, 9000)), 1, 1);
            drops.push_back(item);
            if (uniform(0, 9) == 0) drops.push_back(item);
        }
        SetItems(entry.DroppedOccurrences, drops);
        // Now and then an end cached with the drops in place.
        if (uniform(0, 1) == 0) {
            entry.CountOccurrencesUntil(start + CDateTimeSpan(uniform(0, 12 * 400) * kDay));
        }
        if (entry.SeriesEndKnown != 0) ++withEndCached;
        entry.OccurrenceCounter = -7;
        SCOPED_TRACE("case " + std::to_string(i) + ": " + rule + " from " + Text(start) +
                     ", length " + std::to_string(entry.GetDuration().GetTotalSeconds()) +
                     ", count " + std::to_string(p.RepeatEndCount));

        const bool onePass = p.Repeat != 0 && entry.GetDuration().GetTotalSeconds() >= 0;
        ASSERT_EQ(JudgedInOnePass(entry), onePass);
        PurgeAsByQueries(entry);
        if (HasFailure()) break;
        outcomes.Add(entry, drops.size());
    }
    EXPECT_GT(outcomes.withDropsKept, 200);
    EXPECT_GT(outcomes.withDropsRemoved, 200);
    EXPECT_GT(withEndCached, 100);
}

// A query's count walks at most CDateEntry::kMostCandidatesPerQuery candidates and is then
// the count so far: a monthly series from year 1 reaches that bound in year 16667. Drops on
// both sides of it, in a series that ends within the bound and in one that would end past it.
TEST_F(CountedDropsTest, CountsStopAtTheBoundOfOneQuery) {
    const CDateTime start = Dt(1, 1, 31, 12);
    const Dates candidates =
        Starts(GetAll(Every(start, 1, 4), start, CDateTimeRange::Last(), 200010));
    ASSERT_EQ(candidates.size(), 200010u);
    const std::size_t bound = static_cast<std::size_t>(CDateEntry::kMostCandidatesPerQuery);
    const Dates drops = {candidates[bound + 3], candidates[5], candidates[bound - 2],
                         candidates[bound - 1], candidates[bound]};
    for (const int count : {199990, 200001, std::numeric_limits<int>::max()}) {
        SCOPED_TRACE("count " + std::to_string(count));
        CDateEntry entry = Every(start, 1, 4);
        entry.Properties.RepeatEnd = 1;
        entry.Properties.RepeatEndCount = count;
        SetItems(entry.DroppedOccurrences, drops);
        ASSERT_TRUE(JudgedInOnePass(entry));
        entry.OccurrenceCounter = -7;
        PurgeAsByQueries(entry, count != std::numeric_limits<int>::max());
    }
}

// Thousands of drops of monthly and yearly series, each judged with the others in place: a
// drop that the drops before it push within the count stays, one they push past it goes, and
// the series afterwards runs on from the occurrences that no drop took. Judged one window
// query per drop, the queries walked from the series' start for each drop in turn and ran
// out of the purge's bound of candidates: the later drops were forgotten and their deleted
// occurrences came back.
TEST_F(CountedDropsTest, ThousandsOfDropsOfMonthlyAndYearlySeries) {
    struct Case {
        const char* name;
        std::function<CDateEntry()> make;
        int count;
        int candidates;  // candidates of the bare rule that the case looks at
        // Which of them are dropped, by index.
        std::function<bool(int)> dropped;
    };
    const std::vector<Case> cases = {
        {"first Monday of every month, one occurrence, 3,000 months dropped",
         [] { return Monthly(Dt(2000, 1, 3, 9), 0, 0); }, 1, 3003, [](int k) { return k < 3000; }},
        {"yearly on 29 February, three occurrences, 3,000 years dropped",
         [] { return Every(Dt(2000, 2, 29, 7), 1, 5); }, 3, 3005, [](int k) { return k < 3000; }},
        {"monthly on the 31st, every other month of 6,000 dropped",
         [] { return Every(Dt(2000, 1, 31, 10), 1, 4); }, 1500, 6002,
         [](int k) { return k % 2 == 0 && k < 6000; }},
        {"last Sunday of every month, 2,500 of them dropped from the tenth",
         [] { return Monthly(Dt(1990, 1, 1, 18), 5, 6); }, 12, 2600,
         [](int k) { return k >= 9 && k < 2509; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = c.make();
        entry.Properties.RepeatEnd = 1;
        entry.Properties.RepeatEndCount = c.count;
        const Iteration rule =
            GetAll(entry, entry.Properties.StartDate, CDateTimeRange::Last(), c.candidates);
        ASSERT_EQ(static_cast<int>(rule.occurrences.size()), c.candidates);
        const Dates candidates = Starts(rule);
        // A drop stays while the occurrences that no drop took before it number below the
        // count; those occurrences up to the count are the series afterwards.
        Dates drops;
        Dates staying;
        Dates series;
        for (int k = 0; k < c.candidates; ++k) {
            const CDateTime& t = candidates[static_cast<std::size_t>(k)];
            if (c.dropped(k)) {
                drops.push_back(t);
                if (static_cast<int>(series.size()) < c.count) staying.push_back(t);
            } else if (static_cast<int>(series.size()) < c.count) {
                series.push_back(t);
            }
        }
        ASSERT_EQ(static_cast<int>(series.size()), c.count);
        SetItems(entry.DroppedOccurrences, drops);

        entry.PurgeOccurrenceLists();
        EXPECT_EQ(Items(entry.DroppedOccurrences), staying);
        EXPECT_EQ(entry.SeriesEndKnown, 0);
        EXPECT_EQ(Starts(FindAll(entry, entry.Properties.StartDate, candidates.back())), series);
    }
}

// The purge judges the drops of a series that ends after a count in one pass over the
// series; the drops kept, and the series end and counter left behind (the end is stored
// with the entry), are those of a query per drop.
TEST_F(CountedDropsTest, ClosedFormAgreesWithAQueryPerDrop) {
    Random uniform(1214);
    Outcomes outcomes;
    for (int i = 0; i < 600; ++i) {
        const int unit = static_cast<int>(uniform(1, 3));
        const int rate = static_cast<int>(uniform(1, 3));
        const std::int64_t period = rate * (unit == 1 ? 1 : unit == 2 ? 24 : 168) * 3600;
        const CDateTime start =
            Dt(static_cast<int>(uniform(1995, 2030)), static_cast<int>(uniform(1, 12)),
               static_cast<int>(uniform(1, 28)), static_cast<int>(uniform(0, 23)));
        CDateEntry entry = Every(start, rate, unit);
        DateEntryProperties& p = entry.Properties;
        SetLength(entry,
                  uniform(0, 3) == 0 ? uniform(-period, 3 * period) : uniform(0, period / 2));
        p.RepeatEnd = 1;
        p.RepeatEndCount = static_cast<int>(uniform(0, 30));
        uniform.Conditions(p);
        Dates drops;
        for (int d = static_cast<int>(uniform(0, 25)); d > 0; --d) {
            CDateTime item = start + CDateTimeSpan(period * uniform(-2, 80));
            if (uniform(0, 5) == 0) item += CDateTimeSpan(uniform(1, period - 1));
            drops.push_back(item);
            if (uniform(0, 9) == 0) drops.push_back(item);  // listed twice
        }
        SetItems(entry.DroppedOccurrences, drops);
        // Now and then a cached end, counted with the drops in place.
        if (uniform(0, 1) == 0) entry.CountOccurrencesUntil(start + CDateTimeSpan(period * 90));
        entry.OccurrenceCounter = -7;
        SCOPED_TRACE("case " + std::to_string(i) + ": start " + Text(start) + " rate " +
                     std::to_string(rate) + " unit " + std::to_string(unit) + " count " +
                     std::to_string(p.RepeatEndCount));

        ASSERT_EQ(JudgedInOnePass(entry), entry.GetDuration().GetTotalSeconds() >= 0);
        PurgeAsByQueries(entry);
        if (HasFailure()) break;
        outcomes.Add(entry, drops.size());
    }
    EXPECT_GT(outcomes.withDropsKept, 150);
    EXPECT_GT(outcomes.withDropsRemoved, 150);
}

// Two thousand drops in a series of 3,000 working hours: every other one of the first 4,000
// dropped. Each drop stays, half of them only because the others push them within the
// count; the series then ends at the 5,000th working hour. Judged one query per drop, with
// the others in place, this took minutes.
TEST_F(CountedDropsTest, ThousandsOfDropsOfAnHourlySeries) {
    const CDateTime start = Dt(2024, 1, 1);  // a Monday
    CDateEntry entry = Every(start, 1, 1);
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = 3000;
    entry.Properties.CondWeekdays = 0x1F;
    Dates workingHours;
    for (CDateTime t = start; workingHours.size() < 5000; t += CDateTimeSpan(3600)) {
        if (t.GetDayOfWeek() < 5) workingHours.push_back(t);
    }
    Dates drops;
    for (int k = 3998; k >= 0; k -= 2) drops.push_back(workingHours[static_cast<std::size_t>(k)]);
    SetItems(entry.DroppedOccurrences, drops);

    entry.PurgeOccurrenceLists();
    EXPECT_EQ(Items(entry.DroppedOccurrences), drops);
    const CDateTime last = workingHours.back();
    EXPECT_EQ(Starts(FindAll(entry, workingHours[4998], last + CDateTimeSpan(7 * 86400))),
              (Dates{workingHours[4998], last}));
}

}  // namespace
