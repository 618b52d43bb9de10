// Reminder state of CDateEntry: bringing reminders up to date, lapsing, acknowledging,
// dropping and restoring occurrences, and trimming the lists to the occurrences of the rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "datetime/DateTimeRange.h"
#include "store/OccurrenceTestSupport.h"

namespace {

using Dates = std::vector<CDateTime>;

class RemindersTest : public OccurrenceTest {
protected:
    // A single occurrence 2024-05-10 09:00 .. 10:00.
    static CDateEntry Single() {
        CDateEntry entry = Entry(Dt(2024, 5, 10, 9));
        SetLength(entry, 3600);
        return entry;
    }
    // Daily at 09:00, one hour long, from 2024-05-01 (a Wednesday).
    static CDateEntry Daily() {
        CDateEntry entry = Every(Dt(2024, 5, 1, 9), 1, 2);
        SetLength(entry, 3600);
        return entry;
    }
};

TEST_F(RemindersTest, NewEntryMakesItsPastOccurrenceDueOnce) {
    CDateEntry entry = Single();
    const CDateTime now = Dt(2024, 5, 17, 8, 30);
    EXPECT_TRUE(entry.UpdateReminders(now));
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{Dt(2024, 5, 10, 9)});
    EXPECT_EQ(entry.LastCheckTime, now);

    EXPECT_FALSE(entry.UpdateReminders(now + CDateTimeSpan(60)));
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{Dt(2024, 5, 10, 9)});
}

TEST_F(RemindersTest, OccurrencesThatEndedBeforeTheLastCheckAreNotMadeDue) {
    CDateEntry entry = Daily();
    entry.LastCheckTime = Dt(2024, 5, 3, 9, 30);  // inside the occurrence of 3 May
    EXPECT_TRUE(entry.UpdateReminders(Dt(2024, 5, 5, 8)));
    EXPECT_EQ(Items(entry.DueOccurrences), (Dates{Dt(2024, 5, 3, 9), Dt(2024, 5, 4, 9)}));
}

TEST_F(RemindersTest, ManyNewOccurrencesSkipThoseAlreadyListed) {
    CDateEntry entry = Every(Dt(2024, 5, 1), 1, 1);  // hourly
    entry.LastCheckTime = Dt(2024, 5, 1);
    const Dates listed = {Dt(2024, 5, 1, 3), Dt(2024, 5, 1, 20), Dt(2024, 5, 2, 1),
                          Dt(2024, 5, 2, 23)};
    SetItems(entry.DueOccurrences, {listed[0], listed[3]});
    SetItems(entry.SnoozedOccurrences, {listed[1]});
    SetItems(entry.SnoozeUntil, {Dt(2024, 6, 1)});
    SetItems(entry.AcknowledgedOccurrences, {listed[2]});
    EXPECT_TRUE(entry.UpdateReminders(Dt(2024, 5, 3)));
    Dates expected = {listed[0], listed[3]};
    for (int hour = 1; hour <= 48; ++hour) {
        const CDateTime t = Dt(2024, 5, 1) + CDateTimeSpan(hour * 3600);
        if (std::find(listed.begin(), listed.end(), t) == listed.end()) expected.push_back(t);
    }
    EXPECT_EQ(Items(entry.DueOccurrences), expected);
}

TEST_F(RemindersTest, ForewarningBringsTheHorizonForward) {
    struct Case {
        int forewarn;
        int span;
        int unit;
        int minutesAhead;
        bool due;
    };
    const std::vector<Case> cases = {
        {1, 15, 0, 10, true},      {1, 15, 0, 15, true},  {1, 15, 0, 20, false},
        {0, 15, 0, 10, false},     {1, 1, 1, 59, true},   {1, 1, 1, 61, false},
        {1, 1, 3, 7 * 1440, true}, {1, -15, 0, 0, false}, {1, 15, 7, 1, false},
    };
    const CDateTime now = Dt(2024, 5, 17, 8, 30);
    for (const Case& c : cases) {
        SCOPED_TRACE("forewarn " + std::to_string(c.forewarn) + " span " + std::to_string(c.span) +
                     " unit " + std::to_string(c.unit) + " ahead " +
                     std::to_string(c.minutesAhead));
        CDateEntry entry = Entry(now + CDateTimeSpan(c.minutesAhead * 60));
        entry.LastCheckTime = now - CDateTimeSpan(3600);
        entry.Properties.Forewarn = c.forewarn;
        entry.Properties.ForewarnSpan = c.span;
        entry.Properties.ForewarnUnit = c.unit;
        EXPECT_EQ(entry.UpdateReminders(now), c.due);
        EXPECT_EQ(entry.FindDue(entry.Properties.StartDate) >= 0, c.due);
    }
}

TEST_F(RemindersTest, AcknowledgedOccurrenceStaysQuietWhileItRunsAndIsForgottenAfter) {
    CDateEntry entry = Single();
    entry.AcknowledgedOccurrences.Add(Dt(2024, 5, 10, 9));
    entry.LastCheckTime = Dt(2024, 5, 10, 9, 15);

    EXPECT_FALSE(entry.UpdateReminders(Dt(2024, 5, 10, 9, 45)));
    EXPECT_TRUE(entry.DueOccurrences.IsEmpty());
    EXPECT_EQ(Items(entry.AcknowledgedOccurrences), Dates{Dt(2024, 5, 10, 9)});

    // The last check (09:45) still lies before the end (10:00): kept.
    EXPECT_FALSE(entry.UpdateReminders(Dt(2024, 5, 10, 11)));
    EXPECT_EQ(Items(entry.AcknowledgedOccurrences), Dates{Dt(2024, 5, 10, 9)});

    // The last check (11:00) is past the end: forgotten, and not due again.
    EXPECT_FALSE(entry.UpdateReminders(Dt(2024, 5, 10, 12)));
    EXPECT_TRUE(entry.AcknowledgedOccurrences.IsEmpty());
    EXPECT_TRUE(entry.DueOccurrences.IsEmpty());
}

TEST_F(RemindersTest, SnoozedRemindersFallDueWhenTheirTimeIsReached) {
    const CDateTime now = Dt(2024, 5, 17, 8, 30);
    CDateEntry entry = Single();
    entry.LastCheckTime = Dt(2024, 5, 17);  // the single occurrence is long past
    SetItems(entry.SnoozedOccurrences,
             {Dt(2024, 5, 1), Dt(2024, 5, 2), Dt(2024, 5, 3), Dt(2024, 5, 4), Dt(2024, 5, 5)});
    SetItems(entry.SnoozeUntil, {now - CDateTimeSpan(1), now + CDateTimeSpan(1), now,
                                 now - CDateTimeSpan(86400), now + CDateTimeSpan(3600)});
    EXPECT_TRUE(entry.UpdateReminders(now));
    EXPECT_EQ(Items(entry.DueOccurrences), (Dates{Dt(2024, 5, 1), Dt(2024, 5, 3), Dt(2024, 5, 4)}));
    EXPECT_EQ(Items(entry.SnoozedOccurrences), (Dates{Dt(2024, 5, 2), Dt(2024, 5, 5)}));
    EXPECT_EQ(Items(entry.SnoozeUntil), (Dates{now + CDateTimeSpan(1), now + CDateTimeSpan(3600)}));

    EXPECT_FALSE(entry.UpdateReminders(now));
}

// A damaged file can hold fewer SnoozeUntil items than snoozed occurrences: those without
// a time fall due rather than being lost.
TEST_F(RemindersTest, SnoozedOccurrenceWithoutASnoozeTimeFallsDue) {
    const CDateTime now = Dt(2024, 5, 17, 8, 30);
    CDateEntry entry = Single();
    entry.LastCheckTime = Dt(2024, 5, 17);
    SetItems(entry.SnoozedOccurrences, {Dt(2024, 5, 1), Dt(2024, 5, 2), Dt(2024, 5, 3)});
    SetItems(entry.SnoozeUntil, {now + CDateTimeSpan(60)});
    EXPECT_TRUE(entry.UpdateReminders(now));
    EXPECT_EQ(Items(entry.DueOccurrences), (Dates{Dt(2024, 5, 2), Dt(2024, 5, 3)}));
    EXPECT_EQ(Items(entry.SnoozedOccurrences), Dates{Dt(2024, 5, 1)});
    EXPECT_EQ(entry.SnoozeUntil.GetSize(), 1);

    entry.AcknowledgeOccurrence(Dt(2024, 5, 1), true);
    entry.SnoozedOccurrences.Add(Dt(2024, 5, 6));
    entry.DropOccurrence(Dt(2024, 5, 6));
    EXPECT_TRUE(entry.SnoozedOccurrences.IsEmpty());
    EXPECT_TRUE(entry.SnoozeUntil.IsEmpty());
}

TEST_F(RemindersTest, LapsingByOverdueAction) {
    struct Case {
        const char* name;
        int overdueAction;
        int executeSpan;
        int executeUnit;
        int endedSecondsAgo;
        bool lapses;
    };
    const std::vector<Case> cases = {
        {"never", 0, 1, 1, 1000000, false},
        {"30 s after the end: 31 s", 3, 1, 1, 31, true},
        {"30 s after the end: 30 s", 3, 1, 1, 30, false},
        {"execute span 5 min: 301 s", 1, 5, 0, 301, true},
        {"execute span 5 min: 300 s", 1, 5, 0, 300, false},
        {"execute span 2 days", 1, 2, 2, 2 * 86400 - 1, false},
        {"execute span of an unknown unit is zero", 1, 5, 9, 1, true},
        {"negative execute span", 1, -1, 1, 1, true},
        {"unknown action", 4, 1, 1, 1000000, false},
    };
    const CDateTime now = Dt(2024, 5, 17, 8, 30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Three occurrences ending at the same distance from now, so that the walk has to
        // stay at its index after each removal.
        CDateEntry entry = Entry(now - CDateTimeSpan(c.endedSecondsAgo + 600));
        SetLength(entry, 600);
        entry.Properties.OverdueAction = c.overdueAction;
        entry.Properties.ExecuteSpan = c.executeSpan;
        entry.Properties.ExecuteUnit = c.executeUnit;
        entry.LastCheckTime = now;
        const CDateTime t = entry.Properties.StartDate;
        SetItems(entry.DueOccurrences, {t, t});
        SetItems(entry.SnoozedOccurrences, {t});
        SetItems(entry.SnoozeUntil, {now + CDateTimeSpan(86400)});
        EXPECT_EQ(entry.IsWithinOverdueLimit(t, now), !c.lapses);
        EXPECT_EQ(entry.UpdateReminders(now), c.lapses);
        EXPECT_EQ(entry.DueOccurrences.GetSize(), c.lapses ? 0 : 2);
        EXPECT_EQ(entry.SnoozedOccurrences.GetSize(), c.lapses ? 0 : 1);
        EXPECT_EQ(entry.SnoozeUntil.GetSize(), c.lapses ? 0 : 1);
        EXPECT_TRUE(entry.AcknowledgedOccurrences.IsEmpty()) << "ended before the last check";
    }
}

TEST_F(RemindersTest, LapsingWhenTheNextOccurrenceHasBegun) {
    struct Case {
        CDateTime now;
        int forewarnMinutes;  // 0: no forewarning
        bool lapses;
    };
    const std::vector<Case> cases = {
        {Dt(2024, 5, 3, 8, 59), 0, false},
        {Dt(2024, 5, 3, 9), 0, true},
        {Dt(2024, 5, 3, 8, 56), 5, true},
        {Dt(2024, 5, 3, 8, 54), 5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Text(c.now) + " forewarn " + std::to_string(c.forewarnMinutes));
        CDateEntry entry = Daily();
        entry.Properties.OverdueAction = 2;
        entry.Properties.Forewarn = c.forewarnMinutes != 0 ? 1 : 0;
        entry.Properties.ForewarnSpan = c.forewarnMinutes;
        EXPECT_EQ(entry.IsWithinOverdueLimit(Dt(2024, 5, 2, 9), c.now), !c.lapses);
    }
    // Running occurrences are acknowledged, ended ones forgotten.
    CDateEntry entry = Daily();
    entry.Properties.OverdueAction = 2;
    entry.LastCheckTime = Dt(2024, 5, 2, 9, 30);
    SetItems(entry.DueOccurrences, {Dt(2024, 5, 2, 9)});
    EXPECT_TRUE(entry.UpdateReminders(Dt(2024, 5, 3, 9, 10)));
    EXPECT_EQ(Items(entry.AcknowledgedOccurrences), Dates{Dt(2024, 5, 2, 9)});
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{Dt(2024, 5, 3, 9)});
}

TEST_F(RemindersTest, SettledOccurrences) {
    struct Case {
        const char* name;
        std::function<void(CDateEntry&)> setup;
        CDateTime occurrence;
        bool settled;
    };
    const CDateTime t = Dt(2024, 5, 10, 9);
    const std::vector<Case> cases = {
        {"ended at the last check", [](CDateEntry& e) { e.LastCheckTime = Dt(2024, 5, 10, 10); }, t,
         true},
        {"still running at the last check",
         [](CDateEntry& e) { e.LastCheckTime = Dt(2024, 5, 10, 9, 59, 59); }, t, false},
        {"acknowledged while running",
         [&](CDateEntry& e) {
             e.LastCheckTime = Dt(2024, 5, 10, 9, 30);
             e.AcknowledgedOccurrences.Add(t);
         },
         t, true},
        {"due, though ended",
         [&](CDateEntry& e) {
             e.LastCheckTime = Dt(2024, 5, 11);
             e.DueOccurrences.Add(t);
         },
         t, false},
        {"snoozed, though acknowledged",
         [&](CDateEntry& e) {
             e.AcknowledgedOccurrences.Add(t);
             e.SnoozedOccurrences.Add(t);
             e.SnoozeUntil.Add(t);
         },
         t, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = Single();
        c.setup(entry);
        EXPECT_EQ(entry.IsOccurrenceSettled(c.occurrence), c.settled);
    }
}

TEST_F(RemindersTest, AcknowledgeAndUndo) {
    const CDateTime t = Dt(2024, 5, 10, 9);  // runs until 10:00
    const CDateTime running = Dt(2024, 5, 10, 9, 30);
    const CDateTime past = Dt(2024, 5, 10, 11);
    struct Case {
        const char* name;
        CDateTime lastCheck;
        Dates due, snoozed, acknowledged;
        bool acknowledge;
        Dates dueAfter, snoozedAfter, acknowledgedAfter;
    };
    const std::vector<Case> cases = {
        {"due and running: acknowledged", running, {t}, {}, {}, true, {}, {}, {t}},
        {"due and past: gone", past, {t}, {}, {}, true, {}, {}, {}},
        {"acknowledged and past: gone", past, {}, {}, {t}, true, {}, {}, {}},
        {"acknowledged and running: listed once", running, {}, {}, {t}, true, {}, {}, {t}},
        {"snoozed and running: acknowledged", running, {}, {t}, {}, true, {}, {}, {t}},
        {"undo a running acknowledgement", running, {}, {}, {t}, false, {}, {}, {}},
        {"undo a past occurrence: due again", past, {}, {}, {}, false, {t}, {}, {}},
        {"undo while due: unchanged", past, {t}, {}, {}, false, {t}, {}, {}},
        {"undo while running unacknowledged: unchanged", running, {}, {}, {}, false, {}, {}, {}},
        {"undo a snoozed past occurrence: due", past, {}, {t}, {}, false, {t}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = Single();
        entry.LastCheckTime = c.lastCheck;
        SetItems(entry.DueOccurrences, c.due);
        SetItems(entry.SnoozedOccurrences, c.snoozed);
        SetItems(entry.SnoozeUntil, c.snoozed);
        SetItems(entry.AcknowledgedOccurrences, c.acknowledged);
        entry.AcknowledgeOccurrence(t, c.acknowledge);
        EXPECT_EQ(Items(entry.DueOccurrences), c.dueAfter);
        EXPECT_EQ(Items(entry.SnoozedOccurrences), c.snoozedAfter);
        EXPECT_EQ(entry.SnoozeUntil.GetSize(), static_cast<int>(c.snoozedAfter.size()));
        EXPECT_EQ(Items(entry.AcknowledgedOccurrences), c.acknowledgedAfter);
    }
}

// Callers may pass an item of the very list that the operation changes.
TEST_F(RemindersTest, OperationsTakeListItemsAsArguments) {
    CDateEntry entry = Single();
    const CDateTime t = Dt(2024, 5, 10, 9);
    const CDateTime u = Dt(2024, 5, 11, 9);
    entry.LastCheckTime = Dt(2024, 5, 10, 9, 30);
    SetItems(entry.DueOccurrences, {t, u});
    entry.AcknowledgeOccurrence(entry.DueOccurrences[0], true);
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{u});
    EXPECT_EQ(Items(entry.AcknowledgedOccurrences), Dates{t});

    entry.AcknowledgeOccurrence(entry.AcknowledgedOccurrences[0], false);
    EXPECT_TRUE(entry.AcknowledgedOccurrences.IsEmpty());

    entry.DropOccurrence(entry.DueOccurrences[0]);
    EXPECT_TRUE(entry.DueOccurrences.IsEmpty());
    EXPECT_EQ(Items(entry.DroppedOccurrences), Dates{u});

    entry.RestoreOccurrence(entry.DroppedOccurrences[0]);
    EXPECT_TRUE(entry.DroppedOccurrences.IsEmpty());
}

// A dropped occurrence is in no other list, even when a list held it twice.
TEST_F(RemindersTest, DropRemovesEveryCopy) {
    CDateEntry entry = Daily();
    const CDateTime t = Dt(2024, 5, 2, 9);
    const CDateTime u = Dt(2024, 5, 3, 9);
    SetItems(entry.DueOccurrences, {t, u, t});
    SetItems(entry.SnoozedOccurrences, {t, u, t});
    SetItems(entry.SnoozeUntil, {Dt(2024, 6, 1), Dt(2024, 6, 2), Dt(2024, 6, 3)});
    SetItems(entry.AcknowledgedOccurrences, {t, t});
    entry.DropOccurrence(t);
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{u});
    EXPECT_EQ(Items(entry.SnoozedOccurrences), Dates{u});
    EXPECT_EQ(Items(entry.SnoozeUntil), Dates{Dt(2024, 6, 2)});
    EXPECT_TRUE(entry.AcknowledgedOccurrences.IsEmpty());
}

TEST_F(RemindersTest, DropAndRestore) {
    CDateEntry entry = Daily();
    const CDateTime a = Dt(2024, 5, 2, 9);
    const CDateTime b = Dt(2024, 5, 3, 9);
    SetItems(entry.DueOccurrences, {a, b});
    SetItems(entry.SnoozedOccurrences, {b, a});
    SetItems(entry.SnoozeUntil, {Dt(2024, 6, 2), Dt(2024, 6, 1)});
    SetItems(entry.AcknowledgedOccurrences, {a});
    entry.SeriesEndKnown = 1;

    entry.DropOccurrence(a);
    entry.DropOccurrence(a);
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{b});
    EXPECT_EQ(Items(entry.SnoozedOccurrences), Dates{b});
    EXPECT_EQ(Items(entry.SnoozeUntil), Dates{Dt(2024, 6, 2)});
    EXPECT_TRUE(entry.AcknowledgedOccurrences.IsEmpty());
    EXPECT_EQ(Items(entry.DroppedOccurrences), Dates{a});
    EXPECT_EQ(entry.SeriesEndKnown, 0);
    EXPECT_FALSE(entry.IsOccurrenceAllowed(a));

    entry.SeriesEndKnown = 1;
    entry.RestoreOccurrence(b);  // not dropped
    EXPECT_EQ(Items(entry.DroppedOccurrences), Dates{a});
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{b});
    EXPECT_EQ(entry.SeriesEndKnown, 0);

    entry.SeriesEndKnown = 1;
    entry.RestoreOccurrence(a);
    EXPECT_TRUE(entry.DroppedOccurrences.IsEmpty());
    EXPECT_EQ(entry.SeriesEndKnown, 0);
    EXPECT_TRUE(entry.IsOccurrenceAllowed(a));
}

TEST_F(RemindersTest, PurgeRemovesWhatTheRuleNoLongerHas) {
    CDateEntry entry = Daily();
    const CDateTime sat = Dt(2024, 5, 4, 9);
    const CDateTime sun = Dt(2024, 5, 5, 9);
    const CDateTime mon = Dt(2024, 5, 6, 9);
    const CDateTime sun2 = Dt(2024, 5, 12, 9);
    const CDateTime inside = Dt(2024, 5, 7, 9, 30);  // within an occurrence, not a start
    const CDateTime between = Dt(2024, 5, 7, 12);    // no occurrence at all
    SetItems(entry.DueOccurrences, {sun, sat, between, mon, inside});
    SetItems(entry.AcknowledgedOccurrences, {mon, sun2});
    SetItems(entry.SnoozedOccurrences, {sun, mon, sun2, sat});
    SetItems(entry.SnoozeUntil, {Dt(2024, 6, 1), Dt(2024, 6, 2), Dt(2024, 6, 3), Dt(2024, 6, 4)});
    const CDateTime wed = Dt(2024, 5, 8, 9);
    SetItems(entry.DroppedOccurrences, {sun2, between, wed, sun});
    entry.Properties.CondWeekdays = 0x3F;  // Sunday no longer allowed

    entry.PurgeOccurrenceLists();
    EXPECT_EQ(Items(entry.DueOccurrences), (Dates{sat, mon, inside}));
    EXPECT_EQ(Items(entry.AcknowledgedOccurrences), Dates{mon});
    EXPECT_EQ(Items(entry.SnoozedOccurrences), (Dates{mon, sat}));
    EXPECT_EQ(Items(entry.SnoozeUntil), (Dates{Dt(2024, 6, 2), Dt(2024, 6, 4)}));
    EXPECT_EQ(Items(entry.DroppedOccurrences), Dates{wed});
}

// The dropped items are checked with the dropped list emptied. For a series that ends
// after a count this counts the series without its drops and caches an end that lies too
// early once the drops are back: a later window then finds nothing. The cache is cleared
// after the check.
TEST_F(RemindersTest, PurgeLeavesNoSeriesEndCountedWithoutTheDrops) {
    CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = 2;
    entry.DropOccurrence(Dt(2024, 1, 2, 9));  // the series is 1 and 3 January

    entry.PurgeOccurrenceLists();
    EXPECT_EQ(Items(entry.DroppedOccurrences), Dates{Dt(2024, 1, 2, 9)});
    EXPECT_EQ(entry.SeriesEndKnown, 0);

    entry.LastCheckTime = Dt(2024, 1, 3);
    EXPECT_TRUE(entry.UpdateReminders(Dt(2024, 1, 3, 10)));
    EXPECT_EQ(Items(entry.DueOccurrences), Dates{Dt(2024, 1, 3, 9)});
    EXPECT_EQ(entry.SeriesEndKnown, 1);
    EXPECT_EQ(entry.SeriesEnd, Dt(2024, 1, 3, 9));
}

// A series that ends after a count: each dropped item is an occurrence that the other drops
// push further out, so the drops must be judged together. Judged with every drop taken
// out, the later drops of a full count would lie past the end and be forgotten: the
// deleted occurrence would come back and the real last one vanish.
TEST_F(RemindersTest, PurgeKeepsDropsThatTheOtherDropsMoveWithinACount) {
    struct Case {
        const char* name;
        int count;
        Dates dropped;
        Dates droppedAfter;
        Dates series;  // the occurrences of January afterwards
    };
    const CDateTime jan1 = Dt(2024, 1, 1, 9);
    const CDateTime jan2 = Dt(2024, 1, 2, 9);
    const CDateTime jan3 = Dt(2024, 1, 3, 9);
    const CDateTime jan4 = Dt(2024, 1, 4, 9);
    const CDateTime jan5 = Dt(2024, 1, 5, 9);
    const CDateTime jan6 = Dt(2024, 1, 6, 9);
    const CDateTime jan10 = Dt(2024, 1, 10, 9);
    const std::vector<Case> cases = {
        {"two drops in a series of two", 2, {jan2, jan3}, {jan2, jan3}, {jan1, jan4}},
        {"listed latest first", 2, {jan3, jan2}, {jan3, jan2}, {jan1, jan4}},
        {"three drops in a series of three",
         3,
         {jan4, jan2, jan3},
         {jan4, jan2, jan3},
         {jan1, jan5, jan6}},
        {"a drop past the end goes", 2, {jan2, jan10}, {jan2}, {jan1, jan3}},
        {"a drop that starts no occurrence goes",
         2,
         {jan2, Dt(2024, 1, 3, 10), jan3},
         {jan2, jan3},
         {jan1, jan4}},
        {"the first occurrence dropped", 1, {jan1, jan2}, {jan1, jan2}, {jan3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = Every(jan1, 1, 2);
        entry.Properties.RepeatEnd = 1;
        entry.Properties.RepeatEndCount = c.count;
        for (const CDateTime& t : c.dropped) entry.DropOccurrence(t);

        entry.PurgeOccurrenceLists();
        EXPECT_EQ(Items(entry.DroppedOccurrences), c.droppedAfter);
        EXPECT_EQ(entry.SeriesEndKnown, 0);
        EXPECT_EQ(Starts(FindAll(entry, Dt(2024, 1, 1), Dt(2024, 1, 31))), c.series);
    }
}

// Feed values far beyond any real reminder. The feed reader brings its working entry up to
// the time of reading under the previous section's properties, with the last check at the
// previous section's reading: a forewarn of INT32_MAX weeks on an hourly series would reach
// the end of the date range. An update looks at most a hundred years ahead and makes a
// bounded number of occurrences due, in order from now on; it keeps the check time at now,
// and the next update takes up where it stopped.
TEST_F(RemindersTest, AbsurdForewarnStaysBoundedAndLosesNothing) {
    struct Case {
        const char* name;
        std::function<void(DateEntryProperties&)> setup;
        int updates;
    };
    constexpr int kIntMax = std::numeric_limits<std::int32_t>::max();
    const std::vector<Case> cases = {
        {"hourly, INT32_MAX weeks", [](DateEntryProperties&) {}, 2},
        {"hourly, INT32_MAX minutes", [](DateEntryProperties& p) { p.ForewarnUnit = 0; }, 1},
        {"lapsing when the next occurrence begins",
         [](DateEntryProperties& p) { p.OverdueAction = 2; }, 1},
        {"lapsing 30 s after the end", [](DateEntryProperties& p) { p.OverdueAction = 3; }, 1},
        {"lapsing after INT32_MAX weeks",
         [](DateEntryProperties& p) {
             p.OverdueAction = 1;
             p.ExecuteSpan = kIntMax;
             p.ExecuteUnit = 3;
         },
         1},
        {"counted to INT32_MAX on working days",
         [](DateEntryProperties& p) {
             p.RepeatEnd = 1;
             p.RepeatEndCount = kIntMax;
             p.CondWeekdays = 0x1F;
         },
         2},
        {"ending at the last day",
         [](DateEntryProperties& p) {
             p.RepeatEnd = 2;
             p.RepeatEndDate = CDateTimeRange::Last();
         },
         1},
        {"a time condition that no occurrence meets",
         [](DateEntryProperties& p) {
             p.CondTimeEnable = 1;
             p.CondStartTime = Dt(1, 1, 1, 8, 15);
             p.CondEndTime = Dt(1, 1, 1, 8, 45);
         },
         1},
        {"daily in February, lapsing when the next begins",
         [](DateEntryProperties& p) {
             p.RepeatUnit = 2;
             p.CondMonth = 0x2;
             p.OverdueAction = 2;
         },
         1},
        {"yearly", [](DateEntryProperties& p) { p.RepeatUnit = 5; }, 1},
        {"last Friday of every month",
         [](DateEntryProperties& p) {
             p.Repeat = 2;
             p.RepeatWeekdayCount = 5;
             p.RepeatWeekday = 4;
         },
         1},
        {"single, 99 years ahead",
         [](DateEntryProperties& p) {
             p.Repeat = 0;
             p.StartDate = Dt(2123, 5, 17);
         },
         1},
        {"single, 101 years ahead",
         [](DateEntryProperties& p) {
             p.Repeat = 0;
             p.StartDate = Dt(2125, 5, 17);
         },
         1},
    };
    const CDateTime now = Dt(2024, 5, 17, 8, 30);
    const CDateTime longest =
        now + CDateTimeSpan(CDateEntry::kLongestForewarnDays * CDateTimeRange::kSecondsPerDay);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDateEntry entry = Every(Dt(2024, 1, 1), 1, 1);  // hourly
        DateEntryProperties& p = entry.Properties;
        p.Forewarn = 1;
        p.ForewarnSpan = kIntMax;
        p.ForewarnUnit = 3;
        c.setup(p);
        entry.LastCheckTime = now - CDateTimeSpan(1);

        Dates made;  // every occurrence made due, whether it lapsed at once or not
        bool bounded = false;
        for (int update = 0; update < c.updates; ++update) {
            Dates listed = Items(entry.DueOccurrences);
            const Dates acknowledged = Items(entry.AcknowledgedOccurrences);
            listed.insert(listed.end(), acknowledged.begin(), acknowledged.end());
            std::sort(listed.begin(), listed.end());
            entry.UpdateReminders(now);
            EXPECT_EQ(entry.LastCheckTime, now);
            Dates added;
            for (const CDateTimeList* list :
                 {&entry.DueOccurrences, &entry.AcknowledgedOccurrences}) {
                for (const CDateTime& t : *list) {
                    if (!std::binary_search(listed.begin(), listed.end(), t)) added.push_back(t);
                }
            }
            ASSERT_LE(added.size(), static_cast<std::size_t>(CDateEntry::kMostNewDuePerUpdate));
            bounded = added.size() == static_cast<std::size_t>(CDateEntry::kMostNewDuePerUpdate);
            std::sort(added.begin(), added.end());
            made.insert(made.end(), added.begin(), added.end());
        }
        // Without a gap from now on: up to the last one made due when the count ran out,
        // otherwise up to the bounded horizon.
        const CDateTime last = bounded ? made.back() : longest;
        ASSERT_LE(last, longest);
        EXPECT_EQ(made, Starts(FindAll(entry, now, last)));
    }
}

// More than the bound of occurrences that have already ended: the check time stays before
// the first one left over, so that the next updates make the rest due, in order.
TEST_F(RemindersTest, UpdateFarBehindCatchesUpOverSeveralCalls) {
    CDateEntry entry = Every(Dt(2021, 6, 1), 1, 1);  // hourly
    SetLength(entry, 1800);
    entry.LastCheckTime = Dt(2021, 6, 1, 12, 10);  // within the 12:00 occurrence
    const CDateTime now = Dt(2024, 5, 17, 8, 30);
    const Dates all = Starts(FindAll(entry, entry.LastCheckTime, now));
    ASSERT_GT(all.size(), static_cast<std::size_t>(2 * CDateEntry::kMostNewDuePerUpdate));
    ASSERT_EQ(all.front(), Dt(2021, 6, 1, 12));

    int updates = 0;
    CDateTime previousCheck = entry.LastCheckTime;
    while (entry.LastCheckTime != now) {
        ASSERT_LT(++updates, 10);
        EXPECT_TRUE(entry.UpdateReminders(now));
        EXPECT_GT(entry.LastCheckTime, previousCheck);
        previousCheck = entry.LastCheckTime;
    }
    EXPECT_EQ(updates, 3);
    EXPECT_EQ(Items(entry.DueOccurrences), all);
    EXPECT_FALSE(entry.UpdateReminders(now));
}

// A counted 29-hourly series with a month condition, updated ten thousand years after its
// start: each count walks to the bound of one query, and lapsing by the next occurrence runs
// two queries per due item. The operation's own bound ends the update; what it leaves stays
// within the update's promises.
TEST_F(RemindersTest, UpdateWhoseEveryQueryReachesItsBoundEnds) {
    CDateEntry entry = Every(Dt(1, 9, 1), 29, 1);
    entry.Properties.CondMonth = 1 << 8;  // September
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = std::numeric_limits<std::int32_t>::max();
    entry.Properties.OverdueAction = 2;
    entry.LastCheckTime = Dt(11500, 1, 1);
    const CDateTime now = Dt(12000, 10, 1);

    entry.UpdateReminders(now);
    EXPECT_LE(entry.DueOccurrences.GetSize(), CDateEntry::kMostNewDuePerUpdate);
    EXPECT_LE(entry.LastCheckTime, now);
    EXPECT_GE(entry.LastCheckTime, Dt(11500, 1, 1));
}

TEST_F(RemindersTest, UpdateAfterASeriesEndsFindsNothing) {
    CDateEntry entry = Every(Dt(2024, 1, 1, 9), 1, 2);
    entry.Properties.RepeatEnd = 1;
    entry.Properties.RepeatEndCount = 3;
    EXPECT_TRUE(entry.UpdateReminders(Dt(2024, 1, 10)));
    EXPECT_EQ(Items(entry.DueOccurrences),
              (Dates{Dt(2024, 1, 1, 9), Dt(2024, 1, 2, 9), Dt(2024, 1, 3, 9)}));
    EXPECT_FALSE(entry.UpdateReminders(Dt(2024, 2, 10)));
    EXPECT_EQ(entry.DueOccurrences.GetSize(), 3);
}

}  // namespace
