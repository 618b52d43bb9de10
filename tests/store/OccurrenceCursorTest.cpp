// The occurrences that start within a window, one at a time, against the walk that collected
// them from the first occurrence overlapping the window (the reference below, as the agenda
// walked before): random rules of every kind, occurrences that last up to centuries, drops,
// conditions, counted and dated ends and fifth weekdays; and the agenda's merge of many
// entries in order against collecting and sorting them.
#include "store/OccurrenceCursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "store/Agenda.h"
#include "store/EventData.h"
#include "store/OccurrenceTestSupport.h"

namespace {

namespace reference {

CDateTime Next29th(const CDateTime& after) {
    int year = after.GetYear();
    int month = after.GetMonth();
    if (after.GetDay() >= 29 && ++month > 12) {
        month = 1;
        ++year;
    }
    if (CDateTime::DaysInMonth(year, month) < 29) ++month;
    return CDateTime(year, month, 29);
}

// Every occurrence found over [from, to] from the first that overlaps it, the starts within
// the window kept.
std::vector<Occurrence> Collect(const CDateEntry& entry, const CDateTime& from,
                                const CDateTime& to) {
    std::vector<Occurrence> result;
    CDateEntry copy(entry);
    copy.SeriesEndKnown = 0;
    const DateEntryProperties& p = copy.Properties;
    const bool gaps =
        p.RepeatWeekdayCount == 4 && p.Repeat != 0 && !(p.Repeat == 1 && p.RepeatRate < 1);
    std::optional<CDateTime> last;
    CDateTime windowStart = from;
    while (windowStart <= to) {
        CDateTime start;
        CDateTime end;
        bool found = copy.FindFirstOccurrence(windowStart, to, start, end);
        while (found) {
            if (start >= from && start <= to && (!last || start > *last)) {
                result.push_back({start, end});
                last = start;
            }
            found = copy.FindNextOccurrence(windowStart, to, start, end);
        }
        if (!gaps) break;
        if (p.RepeatEnd == 2 && windowStart > p.RepeatEndDate) break;
        if (p.RepeatEnd == 1 && copy.SeriesEndKnown != 0 && windowStart > copy.SeriesEnd) break;
        windowStart = Next29th(last && *last > windowStart ? *last : windowStart);
    }
    return result;
}

}  // namespace reference

class OccurrenceCursorTest : public OccurrenceTest {
protected:
    std::int64_t Random(std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(m_rng);
    }
    // A random entry: fixed periods most often (the rules the cursor searches shifted), by
    // months and weekdays, single ones.
    CDateEntry RandomEntry() {
        constexpr std::int64_t kDay = 86400;
        const CDateTime start =
            Dt(static_cast<int>(Random(1990, 2025)), static_cast<int>(Random(1, 12)),
               static_cast<int>(Random(1, 28)), static_cast<int>(Random(0, 23)),
               static_cast<int>(Random(0, 1)) * 30);
        CDateEntry entry = Entry(start);
        switch (Random(0, 9)) {
            case 0:
                break;
            case 1:
            case 2:
                entry =
                    Every(start, static_cast<int>(Random(1, 3)), static_cast<int>(Random(4, 5)));
                break;
            case 3:
                entry =
                    Monthly(start, static_cast<int>(Random(0, 5)), static_cast<int>(Random(0, 6)));
                break;
            default:
                entry =
                    Every(start, static_cast<int>(Random(1, 40)), static_cast<int>(Random(1, 3)));
                break;
        }
        DateEntryProperties& p = entry.Properties;
        if (Random(0, 4) == 0) p.ShowStartTime = 0;
        switch (Random(0, 5)) {
            case 0:
                SetLength(entry, Random(0, 60) * 365 * kDay);  // decades
                break;
            case 1:
                SetLength(entry, -Random(1, 3 * 3600));
                break;
            case 2:
                SetLength(entry, Random(0, 40 * kDay));
                break;
            default:
                SetLength(entry, Random(0, 5 * 3600));
                break;
        }
        if (Random(0, 5) == 0) p.RepeatWeekdayCount = 4;
        if (Random(0, 2) == 0) p.CondWeekdays = static_cast<int>(Random(1, 127));
        if (Random(0, 4) == 0) p.CondMonth = static_cast<int>(Random(1, 4095));
        if (Random(0, 4) == 0) {
            p.CondTimeEnable = 1;
            p.CondStartTime = Dt(1, 1, 1, static_cast<int>(Random(0, 12)));
            p.CondEndTime = Dt(1, 1, 1, static_cast<int>(Random(12, 23)));
        }
        switch (Random(0, 3)) {
            case 0:
                p.RepeatEnd = 1;
                p.RepeatEndCount =
                    static_cast<int>(Random(0, 3) == 0 ? Random(0, 50) : Random(1, 400000));
                break;
            case 1:
                p.RepeatEnd = 2;
                p.RepeatEndDate = start + CDateTimeSpan(Random(0, 40 * 365) * kDay);
                break;
            default:
                break;
        }
        // Drops on the rule within the years the windows look at, some listed twice.
        const Iteration candidates = GetAll(entry, Dt(2023, 1, 1), Dt(2027, 1, 1), 400);
        for (const Occurrence& o : candidates.occurrences) {
            if (Random(0, 6) == 0) entry.DroppedOccurrences.Add(o.start);
            if (Random(0, 40) == 0) entry.DroppedOccurrences.Add(o.start);
        }
        return entry;
    }
    // A window of a day to about a year within 2023 .. 2026.
    std::pair<CDateTime, CDateTime> RandomWindow() {
        const CDateTime from = Dt(static_cast<int>(Random(2023, 2026)),
                                  static_cast<int>(Random(1, 12)), static_cast<int>(Random(1, 28)));
        CDateTime to = from + CDateTimeSpan(Random(0, 380) * 86400);
        to.SetTime(23, 59, 59);
        return {from, to};
    }

    std::mt19937_64 m_rng{20261211};
};

TEST_F(OccurrenceCursorTest, YieldsWhatTheWalkFromTheFirstOverlapCollected) {
    int nonEmpty = 0;
    for (int i = 0; i < 400; ++i) {
        CDateEntry entry = RandomEntry();
        const auto [from, to] = RandomWindow();
        SCOPED_TRACE("case " + std::to_string(i) + ": from " + Text(entry.Properties.StartDate) +
                     ", repeat " + std::to_string(entry.Properties.Repeat) + "/" +
                     std::to_string(entry.Properties.RepeatUnit) + ", length " +
                     std::to_string(entry.GetDuration().GetTotalSeconds()) + ", window " +
                     Text(from) + " .. " + Text(to));
        const std::vector<Occurrence> expected = reference::Collect(entry, from, to);
        entry.OccurrenceCounter = 13;
        entry.SeriesEndKnown = 1;
        entry.SeriesEnd = Dt(1999, 1, 1);
        std::vector<Occurrence> got;
        COccurrenceCursor cursor(entry, from, to);
        CDateTime start;
        CDateTime end;
        while (cursor.Next(start, end)) {
            got.push_back({start, end});
            // Between steps the entry is as it was.
            ASSERT_EQ(entry.OccurrenceCounter, 13);
            ASSERT_EQ(entry.SeriesEndKnown, 1);
            ASSERT_EQ(entry.SeriesEnd.Get(), Dt(1999, 1, 1));
        }
        EXPECT_FALSE(cursor.Next(start, end));
        ASSERT_EQ(got, expected);
        if (!got.empty()) ++nonEmpty;
    }
    EXPECT_GT(nonEmpty, 150);
}

// An hourly series from year 1 whose occurrences last two thousand years: each of its
// occurrences in one year overlaps millions of earlier ones, which the cursor does not walk.
TEST_F(OccurrenceCursorTest, OccurrencesLastingMillenniaStartWithinTheWindow) {
    CDateEntry entry = Every(Dt(1, 1, 1), 1, 1);
    SetLength(entry, 2025LL * 365 * 86400);
    entry.Properties.CondWeekdays = 63;
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = 2147483647;
    const CDateTime from = Dt(2026, 3, 1);
    const CDateTime to = Dt(2026, 3, 2, 23, 59, 59);
    std::vector<Occurrence> got;
    COccurrenceCursor cursor(entry, from, to);
    CDateTime start;
    CDateTime end;
    while (cursor.Next(start, end)) got.push_back({start, end});
    // 2026-03-01 is a Sunday, which the conditions leave out.
    ASSERT_EQ(got.size(), 24u);
    EXPECT_EQ(got.front().start, Dt(2026, 3, 2));
    EXPECT_EQ(got.back().start, Dt(2026, 3, 2, 23));
    EXPECT_EQ(got.front().end, Dt(2026, 3, 2) + CDateTimeSpan(2025LL * 365 * 86400));
}

// The agenda merges the entries' occurrences as it finds them: the same items, in the same
// order (start, GUID, list order), as collecting every entry's and sorting them stably.
TEST_F(OccurrenceCursorTest, AgendaStreamEqualsCollectedAndSorted) {
    for (int round = 0; round < 20; ++round) {
        CEventData data;
        for (int i = static_cast<int>(Random(0, 25)); i > 0; --i) {
            CDateEntryArray& list = Random(0, 3) == 0 ? data.DateEntries1 : data.DateEntries2;
            CDateEntry entry = RandomEntry();
            // Shared GUIDs and starts, so that the order's later keys decide.
            if (Random(0, 2) == 0) {
                entry.Properties.GUID = entry.MakeText(Random(0, 1) == 0 ? "{A}" : "{B}");
            }
            list.Add(entry);
        }
        const auto [from, to] = RandomWindow();
        std::vector<CAgenda::SItem> expected;
        for (const CDateEntryArray* list : {&data.DateEntries1, &data.DateEntries2}) {
            for (const CDateEntry& entry : *list) {
                for (const Occurrence& o : reference::Collect(entry, from, to)) {
                    expected.push_back({entry.Properties.GUID.ToString(),
                                        entry.Properties.Description.ToString(), o.start, o.end,
                                        entry.Properties.ShowStartTime == 0});
                }
            }
        }
        std::stable_sort(expected.begin(), expected.end(),
                         [](const CAgenda::SItem& a, const CAgenda::SItem& b) {
                             if (a.Start != b.Start) return a.Start < b.Start;
                             return a.Guid < b.Guid;
                         });
        std::ostringstream expectedText;
        CAgenda::WriteText(expected, expectedText);
        std::ostringstream text;
        CAgenda::WriteText(data, from, to, text);
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_EQ(text.str(), expectedText.str());
        const std::vector<CAgenda::SItem> listed = CAgenda::List(data, from, to);
        ASSERT_EQ(listed.size(), expected.size());
        for (std::size_t k = 0; k < listed.size(); ++k) {
            EXPECT_EQ(listed[k].Guid, expected[k].Guid);
            EXPECT_EQ(listed[k].Start, expected[k].Start);
            EXPECT_EQ(listed[k].End, expected[k].End);
        }
    }
}

}  // namespace
