#include "icalmap/ExactEntries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "icalmap/EventGuid.h"
#include "store/Agenda.h"
#include "store/EventData.h"
#include "store/OccurrenceTestSupport.h"
#include "support/FakePlatform.h"

namespace {

using SOccurrence = CExactEntries::SOccurrence;
using SCandidate = CExactEntries::SCandidate;

SCandidate Every(int rate, int unit, int anchorWeekday = -1) {
    SCandidate candidate;
    candidate.Rule.Repeat = kRepeatEvery;
    candidate.Rule.RepeatRate = rate;
    candidate.Rule.RepeatUnit = unit;
    candidate.AnchorWeekday = anchorWeekday;
    return candidate;
}

// `count` occurrences of `minutes` length, `stepDays` apart from `first`.
std::vector<SOccurrence> Steps(const CDateTime& first, int count, int stepDays, int minutes) {
    std::vector<SOccurrence> wanted;
    for (int i = 0; i < count; ++i) {
        const CDateTime start = first + CDateTimeSpan(i * stepDays, 0, 0, 0);
        wanted.push_back({start, start + CDateTimeSpan(0, 0, minutes, 0)});
    }
    return wanted;
}

struct SCase {
    const char* name;
    std::vector<SOccurrence> wanted;
    bool endless;
    std::vector<SCandidate> candidates;
    int series;
    int singles;
    int dropped;
};

std::vector<SCase> Cases() {
    std::vector<SCase> cases;
    cases.push_back({"weekly, one exact series",
                     Steps(Dt(2024, 1, 1, 9), 30, 7, 60),
                     false,
                     {Every(1, kRepeatUnitWeeks)},
                     1,
                     0,
                     0});
    cases.push_back({"endless weekly, exact up to the horizon",
                     Steps(Dt(2029, 6, 4, 9), 31, 7, 60),
                     true,
                     {Every(1, kRepeatUnitWeeks)},
                     1,
                     0,
                     0});
    {
        // The 31st of each month: the calendar moves short months to their last day, which
        // the event does not have.
        std::vector<SOccurrence> wanted;
        for (const int month : {1, 3, 5, 7, 8, 10, 12}) {
            const CDateTime start = Dt(2024, month, 31, 18);
            wanted.push_back({start, start + CDateTimeSpan(0, 2, 0, 0)});
        }
        cases.push_back(
            {"monthly on the 31st", wanted, false, {Every(1, kRepeatUnitMonths)}, 1, 0, 5});
    }
    {
        // 09:00 in New York seen from Berlin: 15:00, but 14:00 while only New York keeps
        // summer time (10-31 March, 27 October-3 November 2024).
        std::vector<SOccurrence> wanted = Steps(Dt(2024, 1, 1, 15), 52, 7, 30);
        for (SOccurrence& occurrence : wanted) {
            const CDateTime day = occurrence.Start.GetDateOnly();
            if ((day > Dt(2024, 3, 10) && day < Dt(2024, 3, 31)) || day == Dt(2024, 10, 28)) {
                occurrence.Start = occurrence.Start - CDateTimeSpan(0, 1, 0, 0);
                occurrence.End = occurrence.End - CDateTimeSpan(0, 1, 0, 0);
            }
        }
        cases.push_back({"weekly across zones that change on different dates",
                         wanted,
                         false,
                         {Every(1, kRepeatUnitWeeks)},
                         1,
                         4,
                         4});
    }
    {
        // Every other week on Monday and Wednesday: one series per weekday.
        std::vector<SOccurrence> wanted;
        for (int week = 0; week < 20; week += 2) {
            for (const int day : {0, 2}) {
                const CDateTime start = Dt(2024, 1, 1, 7) + CDateTimeSpan(week * 7 + day, 0, 0, 0);
                wanted.push_back({start, start + CDateTimeSpan(0, 1, 0, 0)});
            }
        }
        cases.push_back({"fortnightly on two weekdays",
                         wanted,
                         false,
                         {Every(2, kRepeatUnitWeeks, 0), Every(2, kRepeatUnitWeeks, 2)},
                         2,
                         0,
                         0});
    }
    {
        // The last day of each month from 30 April: a series anchored on the first 31st is
        // the month's last day throughout; 30 April stands alone.
        std::vector<SOccurrence> wanted;
        for (int i = 0; i < 12; ++i) {
            const int month = (3 + i) % 12 + 1;
            const int year = 2024 + (3 + i) / 12;
            const CDateTime start(year, month, CDateTime::DaysInMonth(year, month), 12, 0, 0);
            wanted.push_back({start, start + CDateTimeSpan(0, 0, 30, 0)});
        }
        SCandidate lastDay = Every(1, kRepeatUnitMonths);
        lastDay.AnchorMonthDay = 31;
        cases.push_back(
            {"last day of the month, anchored on a 31st", wanted, false, {lastDay}, 1, 1, 0});
    }
    cases.push_back(
        {"no rule: single entries", Steps(Dt(2024, 2, 1, 9), 3, 10, 15), false, {}, 0, 3, 0});
    cases.push_back({"a rule that yields more surplus than it matches is not used",
                     Steps(Dt(2024, 2, 1, 9), 3, 365, 15),
                     false,
                     {Every(1, kRepeatUnitDays)},
                     0,
                     3,
                     0});
    return cases;
}

class ExactEntriesTest : public ::testing::Test {
protected:
    CFakePlatform m_platform;
};

// Whatever the candidates, the calendar's occurrences of the entries are the wanted ones.
TEST_F(ExactEntriesTest, CalendarOccurrencesEqualTheEventsUpToTheHorizon) {
    const CDateTime horizon = Dt(2030, 1, 1);
    for (const SCase& c : Cases()) {
        CRecordStore texts;
        DateEntryProperties base;
        base.GUID = texts.Text(CEventGuid::FromUid("uid-1"));
        base.Description = texts.Text(c.name);
        const std::optional<CDateTime> last =
            c.endless ? std::nullopt : std::optional<CDateTime>(c.wanted.back().Start);
        CEventData data;
        const CExactEntries::SResult result =
            CExactEntries::Build(base, texts, "uid-1", c.wanted, last, c.candidates, horizon,
                                 Dt(2024, 1, 1), data.DateEntries2);
        EXPECT_EQ(result.Series, c.series) << c.name;
        EXPECT_EQ(result.Singles, c.singles) << c.name;
        EXPECT_EQ(result.Dropped, c.dropped) << c.name;
        EXPECT_FALSE(result.Truncated) << c.name;
        // Nothing but the kept entries: a candidate that was not kept left none.
        ASSERT_EQ(data.DateEntries2.GetSize(), c.series + c.singles) << c.name;
        EXPECT_EQ(data.DateEntries2[0].GetGuid(), base.GUID) << c.name;
        for (const CDateEntry& entry : data.DateEntries2) {
            EXPECT_EQ(entry.GetStorageType(), kStorageTypeProperties) << c.name;
        }
        const std::vector<CAgenda::SItem> items =
            CAgenda::List(data, Dt(2000, 1, 1), horizon - CDateTimeSpan(1));
        ASSERT_EQ(items.size(), c.wanted.size()) << c.name;
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(Text(items[i].Start), Text(c.wanted[i].Start)) << c.name << " #" << i;
            EXPECT_EQ(Text(items[i].End), Text(c.wanted[i].End)) << c.name << " #" << i;
        }
        if (c.endless) {
            // Past the horizon the series carries on with its rule.
            EXPECT_EQ(CAgenda::List(data, horizon, Dt(2030, 1, 31, 23, 59, 59)).size(), 4u);
        }
    }
}

TEST_F(ExactEntriesTest, AtMostTheBoundOfEntries) {
    const std::vector<SOccurrence> wanted =
        Steps(Dt(2000, 1, 1, 9), static_cast<int>(CExactEntries::kMostEntriesPerEvent) + 1, 1, 5);
    // Counted from the end the list had: entries already there take none of the bound.
    CDateEntryArray entries;
    entries.AddNew();
    const CExactEntries::SResult result =
        CExactEntries::Build(DateEntryProperties{}, entries.GetStore(), "uid-2", wanted,
                             wanted.back().Start, {}, Dt(2030, 1, 1), Dt(2024, 1, 1), entries);
    EXPECT_TRUE(result.Truncated);
    EXPECT_EQ(static_cast<std::size_t>(entries.GetSize()), 1 + CExactEntries::kMostEntriesPerEvent);
}

// A dropped occurrence counts like an entry: a daily series that would need more drops than
// the bound leaves room for ends at its last wanted occurrence before the first drop without
// room, with the drops before it; everything it yields then is wanted, and the occurrences
// after it are left out as the bound's cut.
TEST_F(ExactEntriesTest, DroppedOccurrencesCountAgainstTheBound) {
    // Two days of three wanted for 45 years: a daily series keeps two thirds and drops a third.
    const std::vector<SOccurrence> days = Steps(Dt(1980, 1, 1, 9), 16500, 1, 30);
    std::vector<SOccurrence> thinned;
    for (std::size_t i = 0; i < days.size(); ++i) {
        if (i % 3 != 2) thinned.push_back(days[i]);
    }
    CDateEntryArray entries;
    const CExactEntries::SResult result = CExactEntries::Build(
        DateEntryProperties{}, entries.GetStore(), "uid-3", thinned, thinned.back().Start,
        {Every(1, kRepeatUnitDays)}, Dt(2030, 1, 1), Dt(2024, 1, 1), entries);
    EXPECT_TRUE(result.Truncated);
    ASSERT_EQ(result.Series, 1);
    EXPECT_LE(
        static_cast<std::size_t>(entries.GetSize()) + static_cast<std::size_t>(result.Dropped),
        CExactEntries::kMostEntriesPerEvent);
    EXPECT_GT(result.Dropped, 4000);
    const CDateEntry& series = entries[0];
    EXPECT_EQ(series.Properties.RepeatEnd, kRepeatEndAtDate);
    EXPECT_EQ(series.GetDroppedOccurrenceCount(), result.Dropped);
    // What the series yields is the wanted occurrences up to its end, no others.
    std::vector<CDateTime> starts;
    std::vector<CDateTime> ends;
    CAgenda::Collect(series, Dt(1979, 1, 1), Dt(2030, 1, 1), starts, ends);
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.back(), series.Properties.RepeatEndDate.Get());
    std::vector<CDateTime> expected;
    for (const SOccurrence& occurrence : thinned) {
        if (occurrence.Start <= starts.back()) expected.push_back(occurrence.Start);
    }
    EXPECT_EQ(starts, expected);
    EXPECT_LT(expected.size(), thinned.size());
}

}  // namespace
