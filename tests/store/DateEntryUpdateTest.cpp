// Taking over new properties (which reminder state survives which change) and reconciling
// the reminder state of two entries.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "store/OccurrenceTestSupport.h"

namespace {

// The store of the texts that a case writes: the entry takes them over as it takes a feed
// entry's.
CRecordStore& Texts() {
    static CRecordStore texts;
    return texts;
}

using Dates = std::vector<CDateTime>;

// The fixture's clock reads 2024-05-17 08:30:00.
class DateEntryUpdateTest : public OccurrenceTest {
protected:
    // Daily at 09:00 from 2024-05-01 with one item in each list.
    static CDateEntry DailyWithState() {
        CDateEntry entry = Every(Dt(2024, 5, 1, 9), 1, 2);
        SetItems(entry.DueOccurrences, {Dt(2024, 5, 14, 9)});
        SetItems(entry.AcknowledgedOccurrences, {Dt(2024, 5, 15, 9)});
        SetItems(entry.SnoozedOccurrences, {Dt(2024, 5, 16, 9)});
        SetItems(entry.SnoozeUntil, {Dt(2024, 5, 17, 9)});
        SetItems(entry.DroppedOccurrences, {Dt(2024, 5, 13, 9)});
        return entry;
    }
    // Hourly at half past from 2024-05-01, so that any half hour is an occurrence.
    static CDateEntry HalfHourly() { return Every(Dt(2024, 5, 1, 0, 30), 1, 1); }

    static bool AllListsEmpty(const CDateEntry& e) {
        return e.DueOccurrences.IsEmpty() && e.AcknowledgedOccurrences.IsEmpty() &&
               e.SnoozedOccurrences.IsEmpty() && e.SnoozeUntil.IsEmpty() &&
               e.DroppedOccurrences.IsEmpty();
    }
};

TEST_F(DateEntryUpdateTest, WhichChangesResetTheReminderState) {
    struct Case {
        const char* name;
        std::function<void(DateEntryProperties&)> change;
        bool resets;
    };
    const std::vector<Case> cases = {
        {"nothing", [](DateEntryProperties&) {}, false},
        {"description", [](DateEntryProperties& p) { p.Description = Texts().Text("changed"); },
         false},
        {"start one second later",
         [](DateEntryProperties& p) { p.StartDate = p.StartDate + CDateTimeSpan(1); }, true},
        {"whole day", [](DateEntryProperties& p) { p.ShowStartTime = 0; }, true},
        {"repeat rule", [](DateEntryProperties& p) { p.Repeat = 2; }, true},
        {"repeat rate", [](DateEntryProperties& p) { p.RepeatRate = 2; }, true},
        {"repeat unit", [](DateEntryProperties& p) { p.RepeatUnit = 3; }, true},
        {"weekday fields of a rule by unit",
         [](DateEntryProperties& p) {
             p.RepeatWeekday = 3;
             p.RepeatWeekdayCount = 1;
         },
         false},
        {"end shown, two hours long",
         [](DateEntryProperties& p) {
             p.ShowEnd = 1;
             p.EndDate = p.StartDate + CDateTimeSpan(7200);
         },
         false},
        {"series end",
         [](DateEntryProperties& p) {
             p.RepeatEnd = 2;
             p.RepeatEndDate = Dt(2030, 1, 1);
         },
         false},
        {"actions and colours",
         [](DateEntryProperties& p) {
             p.OverdueAction = 1;
             p.BgColor = 0xFFFFFF;
             p.SoundFile = Texts().Text("C:\\Media\\ding.wav");
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = DailyWithState();
        const CDateEntry before = entry;
        entry.SeriesEndKnown = 1;
        DateEntryProperties properties = entry.Properties;
        c.change(properties);
        entry.ApplyProperties(entry.ImportProperties(properties, Texts()));
        EXPECT_EQ(entry.SeriesEndKnown, 0);
        EXPECT_EQ(entry.Properties.Description, properties.Description);
        EXPECT_EQ(entry.Properties.StartDate, properties.StartDate);
        EXPECT_EQ(entry.Properties.SoundFile, properties.SoundFile);
        if (c.resets) {
            EXPECT_TRUE(AllListsEmpty(entry));
        } else {
            EXPECT_EQ(Items(entry.DueOccurrences), Items(before.DueOccurrences));
            EXPECT_EQ(Items(entry.AcknowledgedOccurrences), Items(before.AcknowledgedOccurrences));
            EXPECT_EQ(Items(entry.SnoozedOccurrences), Items(before.SnoozedOccurrences));
            EXPECT_EQ(Items(entry.SnoozeUntil), Items(before.SnoozeUntil));
            EXPECT_EQ(Items(entry.DroppedOccurrences), Items(before.DroppedOccurrences));
        }
    }
}

TEST_F(DateEntryUpdateTest, WeekdayRuleResetsOnItsOwnFields) {
    struct Case {
        const char* name;
        std::function<void(DateEntryProperties&)> change;
        bool resets;
    };
    const std::vector<Case> cases = {
        {"weekday", [](DateEntryProperties& p) { p.RepeatWeekday = 2; }, true},
        {"count", [](DateEntryProperties& p) { p.RepeatWeekdayCount = 1; }, true},
        {"rate and unit",
         [](DateEntryProperties& p) {
             p.RepeatRate = 3;
             p.RepeatUnit = 4;
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = Monthly(Dt(2024, 1, 1, 9), 0, 0);  // first Monday
        SetItems(entry.DueOccurrences, {Dt(2024, 5, 6, 9)});
        DateEntryProperties properties = entry.Properties;
        c.change(properties);
        entry.ApplyProperties(properties);
        EXPECT_EQ(entry.DueOccurrences.IsEmpty(), c.resets);
    }
}

TEST_F(DateEntryUpdateTest, ANewRuleTrimsTheListsToItsOccurrences) {
    CDateEntry entry = Every(Dt(2024, 5, 1, 9), 1, 2);
    const CDateTime sun = Dt(2024, 5, 12, 9);
    const CDateTime mon = Dt(2024, 5, 13, 9);
    SetItems(entry.DueOccurrences, {sun, mon});
    SetItems(entry.AcknowledgedOccurrences, {mon, sun});
    SetItems(entry.SnoozedOccurrences, {sun});
    SetItems(entry.SnoozeUntil, {Dt(2024, 6, 1)});
    SetItems(entry.DroppedOccurrences, {sun, Dt(2024, 5, 14, 9)});
    DateEntryProperties properties = entry.Properties;
    properties.CondWeekdays = 0x3F;
    entry.ApplyProperties(properties);
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{mon});
    EXPECT_EQ(Items(entry.AcknowledgedOccurrences), Dates{mon});
    EXPECT_TRUE(entry.SnoozedOccurrences.IsEmpty());
    EXPECT_TRUE(entry.SnoozeUntil.IsEmpty());
    EXPECT_EQ(Items(entry.DroppedOccurrences), Dates{Dt(2024, 5, 14, 9)});
}

TEST_F(DateEntryUpdateTest, SwitchingForewarningOffMakesPastSnoozedRemindersDue) {
    CDateEntry entry = HalfHourly();
    entry.Properties.Forewarn = 1;
    entry.Properties.ForewarnSpan = 1;
    entry.Properties.ForewarnUnit = 2;
    SetItems(entry.DueOccurrences, {Dt(2024, 5, 15, 7, 30)});
    SetItems(entry.SnoozedOccurrences, {Dt(2024, 5, 16, 9, 30), Dt(2024, 5, 18, 9, 30),
                                        Dt(2024, 5, 17, 8, 30), Dt(2024, 5, 17, 7, 30)});
    SetItems(entry.SnoozeUntil, {Dt(2024, 6, 1), Dt(2024, 6, 2), Dt(2024, 6, 3), Dt(2024, 6, 4)});
    DateEntryProperties properties = entry.Properties;
    properties.Forewarn = 0;
    entry.ApplyProperties(properties);
    // 08:30 is now, which is not earlier than now.
    EXPECT_EQ(Items(entry.DueOccurrences),
              (Dates{Dt(2024, 5, 15, 7, 30), Dt(2024, 5, 16, 9, 30), Dt(2024, 5, 17, 7, 30)}));
    EXPECT_TRUE(entry.SnoozedOccurrences.IsEmpty());
    EXPECT_TRUE(entry.SnoozeUntil.IsEmpty());
}

TEST_F(DateEntryUpdateTest, ANewForewarnSpanDropsRemindersBeyondIt) {
    struct Case {
        const char* name;
        int forewarn, span, unit;  // current
        int newForewarn, newSpan, newUnit;
        Dates due;
        Dates snoozed;
    };
    const CDateTime a = Dt(2024, 5, 16, 9, 30);
    const CDateTime b = Dt(2024, 5, 17, 8, 30);   // now
    const CDateTime c = Dt(2024, 5, 17, 10, 30);  // now + 2 hours
    const CDateTime d = Dt(2024, 5, 17, 11, 30);
    const Dates allDue = {d, a, c, b};
    const Dates allSnoozed = {c, d, Dt(2024, 5, 17, 7, 30)};
    const std::vector<Case> cases = {
        {"span now 2 hours", 1, 0, 0, 1, 2, 1, {a, c, b}, {c, Dt(2024, 5, 17, 7, 30)}},
        {"same span in other units", 1, 120, 0, 1, 2, 1, {a, c, b}, {c, Dt(2024, 5, 17, 7, 30)}},
        {"negative span", 1, 0, 0, 1, -1, 1, {a}, {Dt(2024, 5, 17, 7, 30)}},
        {"unchanged span", 1, 2, 1, 1, 2, 1, allDue, allSnoozed},
        {"forewarning switched on, same span", 0, 2, 1, 1, 2, 1, allDue, allSnoozed},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.name);
        CDateEntry entry = HalfHourly();
        entry.Properties.Forewarn = t.forewarn;
        entry.Properties.ForewarnSpan = t.span;
        entry.Properties.ForewarnUnit = t.unit;
        SetItems(entry.DueOccurrences, allDue);
        SetItems(entry.SnoozedOccurrences, allSnoozed);
        SetItems(entry.SnoozeUntil, allSnoozed);  // a parallel list that shows the pairing
        DateEntryProperties properties = entry.Properties;
        properties.Forewarn = t.newForewarn;
        properties.ForewarnSpan = t.newSpan;
        properties.ForewarnUnit = t.newUnit;
        entry.ApplyProperties(properties);
        EXPECT_EQ(Items(entry.DueOccurrences), t.due);
        EXPECT_EQ(Items(entry.SnoozedOccurrences), t.snoozed);
        EXPECT_EQ(Items(entry.SnoozeUntil), t.snoozed);
    }
}

TEST_F(DateEntryUpdateTest, ASeriesEndIsCountedAfreshUnderNewProperties) {
    CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = 3;
    ASSERT_EQ(FindAll(entry, Dt(2024, 1, 1), Dt(2024, 2, 1)).occurrences.size(), 3u);
    ASSERT_EQ(entry.SeriesEndKnown, 1);
    DateEntryProperties properties = entry.Properties;
    properties.RepeatEndCount = 5;
    entry.ApplyProperties(properties);
    EXPECT_EQ(FindAll(entry, Dt(2024, 1, 1), Dt(2024, 2, 1)).occurrences.size(), 5u);
    EXPECT_EQ(entry.SeriesEnd, Dt(2024, 1, 5, 9));
}

TEST_F(DateEntryUpdateTest, MergeReconcilesEachList) {
    const CDateTime t = Dt(2024, 5, 10, 9);  // the occurrence runs until 10:00
    const CDateTime running = Dt(2024, 5, 10, 9, 30);
    const CDateTime past = Dt(2024, 5, 10, 11);
    struct Side {
        CDateTime lastCheck;
        Dates due, snoozed, acknowledged;
    };
    struct Case {
        const char* name;
        Side here;
        Side there;
        Side expected;  // lastCheck unused
    };
    const std::vector<Case> cases = {
        {"due here, ended there: acknowledged while it runs here",
         {running, {t}, {}, {}},
         {past, {}, {}, {}},
         {{}, {}, {}, {t}}},
        {"due here, acknowledged there, ended here: gone",
         {past, {t}, {}, {}},
         {running, {}, {}, {t}},
         {{}, {}, {}, {}}},
        {"snoozed here, acknowledged there",
         {running, {}, {t}, {}},
         {running, {}, {}, {t}},
         {{}, {}, {}, {t}}},
        {"acknowledged here, due there, running: pending again",
         {running, {}, {}, {t}},
         {running, {t}, {}, {}},
         {{}, {}, {}, {}}},
        {"acknowledged here, due there, ended: due",
         {past, {}, {}, {t}},
         {running, {t}, {}, {}},
         {{}, {t}, {}, {}}},
        {"due there, ended here", {past, {}, {}, {}}, {running, {t}, {}, {}}, {{}, {t}, {}, {}}},
        {"snoozed there, ended here",
         {past, {}, {}, {}},
         {running, {}, {t}, {}},
         {{}, {t}, {}, {}}},
        {"acknowledged there, running here",
         {running, {}, {}, {}},
         {running, {}, {}, {t}},
         {{}, {}, {}, {t}}},
        {"due in both", {running, {t}, {}, {}}, {running, {t}, {}, {}}, {{}, {t}, {}, {}}},
        {"nothing there, running here",
         {running, {t}, {t}, {}},
         {running, {}, {}, {}},
         {{}, {t}, {t}, {}}},
    };
    auto fill = [](CDateEntry& e, const Side& side) {
        e.LastCheckTime = side.lastCheck;
        SetItems(e.DueOccurrences, side.due);
        SetItems(e.SnoozedOccurrences, side.snoozed);
        SetItems(e.SnoozeUntil, side.snoozed);
        SetItems(e.AcknowledgedOccurrences, side.acknowledged);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry here = Entry(t);
        SetLength(here, 3600);
        CDateEntry there = here;
        fill(here, c.here);
        fill(there, c.there);
        here.MergeOccurrenceState(there, false);
        EXPECT_EQ(Items(here.DueOccurrences), c.expected.due);
        EXPECT_EQ(Items(here.SnoozedOccurrences), c.expected.snoozed);
        EXPECT_EQ(Items(here.SnoozeUntil), c.expected.snoozed);
        EXPECT_EQ(Items(here.AcknowledgedOccurrences), c.expected.acknowledged);
        EXPECT_EQ(here.LastCheckTime, c.here.lastCheck);
    }
}

TEST_F(DateEntryUpdateTest, MergeTakesTheOtherLastCheckOnRequest) {
    CDateEntry here = Every(Dt(2024, 5, 1, 9), 1, 2);
    SetLength(here, 3600);
    here.LastCheckTime = Dt(2024, 5, 3, 9, 30);
    SetItems(here.DueOccurrences, {Dt(2024, 5, 2, 9), Dt(2024, 5, 3, 9)});
    CDateEntry there = here;
    there.LastCheckTime = Dt(2024, 5, 3, 9, 45);
    SetItems(there.DueOccurrences, {});
    SetItems(there.AcknowledgedOccurrences, {Dt(2024, 5, 3, 9)});

    here.MergeOccurrenceState(there, true);
    EXPECT_TRUE(here.DueOccurrences.IsEmpty());
    EXPECT_EQ(Items(here.AcknowledgedOccurrences), Dates{Dt(2024, 5, 3, 9)});
    EXPECT_EQ(here.LastCheckTime, Dt(2024, 5, 3, 9, 45));

    // Merging an entry with itself changes nothing.
    const CDateEntry before = here;
    here.MergeOccurrenceState(here, true);
    EXPECT_EQ(Items(here.AcknowledgedOccurrences), Items(before.AcknowledgedOccurrences));
    EXPECT_EQ(Items(here.DueOccurrences), Items(before.DueOccurrences));
    EXPECT_EQ(here.LastCheckTime, before.LastCheckTime);
}

}  // namespace

namespace {

// The dropped occurrences taken over one item at a time: every item the other entry lacks
// restored, walking from the start, then every item of the other entry dropped in order.
void TakeDropsOneByOne(CDateEntry& stored, const CDateEntry& other) {
    for (int i = 0; i < stored.GetDroppedOccurrenceCount();) {
        const CDateTime occurrence = stored.GetDroppedOccurrence(i);
        if (other.IsOccurrenceDropped(occurrence)) {
            ++i;
        } else {
            stored.RestoreOccurrence(occurrence);
        }
    }
    for (int i = 0; i < other.GetDroppedOccurrenceCount(); ++i) {
        stored.DropOccurrence(other.GetDroppedOccurrence(i));
    }
}

}  // namespace

// One ordered pass gives what restoring and dropping one item at a time gives: random lists
// with copies, with items shared between the two entries' drops and the stored entry's due,
// acknowledged and snoozed lists, a SnoozeUntil list shorter or longer than its snoozed one,
// and lists on both sides of the length from which the drops are indexed.
TEST_F(DateEntryUpdateTest, TakingDropsInOnePassEqualsOneByOne) {
    std::mt19937_64 rng(5);
    auto random = [&rng](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    auto value = [&] { return Dt(2024, 1, 1) + CDateTimeSpan(random(0, 30) * 3600); };
    auto fill = [&](auto& list, int most) {
        std::vector<CDateTime> items;
        for (int n = random(0, most); n > 0; --n) items.push_back(value());
        SetItems(list, items);
    };
    int changed = 0;
    for (int i = 0; i < 300; ++i) {
        CDateEntry stored = Every(Dt(2024, 1, 1), 1, 1);
        CDateEntry feed = stored;
        const int most = random(0, 1) == 0 ? 8 : 60;
        fill(stored.DroppedOccurrences, most);
        fill(feed.DroppedOccurrences, most);
        fill(stored.DueOccurrences, 10);
        fill(stored.AcknowledgedOccurrences, 10);
        fill(stored.SnoozedOccurrences, 10);
        fill(stored.SnoozeUntil, 12);
        stored.SeriesEndKnown = 1;
        CDateEntry expected = stored;
        TakeDropsOneByOne(expected, feed);
        stored.TakeDroppedOccurrences(feed);
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_EQ(Items(stored.DroppedOccurrences), Items(expected.DroppedOccurrences));
        EXPECT_EQ(Items(stored.DueOccurrences), Items(expected.DueOccurrences));
        EXPECT_EQ(Items(stored.AcknowledgedOccurrences), Items(expected.AcknowledgedOccurrences));
        EXPECT_EQ(Items(stored.SnoozedOccurrences), Items(expected.SnoozedOccurrences));
        EXPECT_EQ(Items(stored.SnoozeUntil), Items(expected.SnoozeUntil));
        EXPECT_EQ(stored.SeriesEndKnown, expected.SeriesEndKnown);
        if (HasFailure()) break;
        if (stored.SeriesEndKnown == 0) ++changed;
    }
    EXPECT_GT(changed, 100);
}
