// The indexed reminder operations (lapsing, acknowledging, merging) against one list scan per
// item, on random lists with repeated items, items that are no occurrences and SnoozeUntil
// lists of any length.
#include "store/ReminderIndex.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "store/OccurrenceTestSupport.h"
#include "store/ReminderScanReference.h"

namespace {

class ReminderIndexTest : public OccurrenceTest {
protected:
    // An hourly or daily series with random reminder lists drawn from a small pool of
    // instants, so that items repeat within and across the lists.
    CDateEntry RandomEntry() {
        CDateEntry entry = Every(Dt(2024, 5, 1, 9), 1 + Pick(3), 1 + Pick(2));
        SetLength(entry, Pick(4) * 1800);
        entry.Properties.OverdueAction = Pick(4);
        entry.Properties.ExecuteSpan = Pick(3);
        entry.Properties.ExecuteUnit = Pick(3);
        entry.Properties.Forewarn = Pick(2);
        entry.Properties.ForewarnSpan = Pick(5);
        entry.LastCheckTime = Instant();
        for (CDateTimeList* list : {&entry.DueOccurrences, &entry.SnoozedOccurrences,
                                    &entry.AcknowledgedOccurrences, &entry.SnoozeUntil}) {
            for (int n = Pick(12); n > 0; --n) list->Add(Instant());
        }
        return entry;
    }
    // One of 40 instants an hour apart, from before the series start into its days.
    CDateTime Instant() { return Dt(2024, 4, 30, 20) + CDateTimeSpan(3600 * Pick(40)); }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    static void ExpectSameLists(const CDateEntry& actual, const CDateEntry& expected) {
        EXPECT_EQ(Items(actual.DueOccurrences), Items(expected.DueOccurrences));
        EXPECT_EQ(Items(actual.SnoozedOccurrences), Items(expected.SnoozedOccurrences));
        EXPECT_EQ(Items(actual.SnoozeUntil), Items(expected.SnoozeUntil));
        EXPECT_EQ(Items(actual.AcknowledgedOccurrences), Items(expected.AcknowledgedOccurrences));
        EXPECT_EQ(actual.LastCheckTime, expected.LastCheckTime);
    }

    std::mt19937 m_random{20261210};
};

TEST_F(ReminderIndexTest, LapsingAgreesWithAScanPerItem) {
    for (int round = 0; round < 800; ++round) {
        SCOPED_TRACE(round);
        CDateEntry entry = RandomEntry();
        CDateEntry expected = entry;
        const CDateTime now = Instant();
        const bool expectedLapsed = reference::Lapse(expected, now);
        EXPECT_EQ(entry.LapseOverdueReminders(now), expectedLapsed);
        ExpectSameLists(entry, expected);
    }
}

TEST_F(ReminderIndexTest, AcknowledgingAgreesWithAScanPerItem) {
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        CDateEntry entry = RandomEntry();
        CDateEntry expected = entry;
        for (int step = 0; step < 10; ++step) {
            const CDateTime t = Instant();
            const bool acknowledged = Pick(2) == 1;
            EXPECT_EQ(entry.IsOccurrenceSettled(t), reference::IsSettled(expected, t));
            entry.AcknowledgeOccurrence(t, acknowledged);
            reference::Acknowledge(expected, t, acknowledged);
        }
        ExpectSameLists(entry, expected);
    }
}

TEST_F(ReminderIndexTest, MergingAgreesWithAScanPerItem) {
    for (int round = 0; round < 800; ++round) {
        SCOPED_TRACE(round);
        CDateEntry entry = RandomEntry();
        const CDateEntry other = RandomEntry();
        const bool self = round % 10 == 0;
        const bool takeLastCheck = Pick(2) == 1;
        CDateEntry expected = entry;
        reference::Merge(expected, self ? entry : other, takeLastCheck);
        entry.MergeOccurrenceState(self ? entry : other, takeLastCheck);
        ExpectSameLists(entry, expected);
    }
}

// The feed shape in one update: a 3-hourly series from year 1 whose occurrences all
// overlap now, so that one update makes its bound of occurrences due and lapses them all.
TEST_F(ReminderIndexTest, AnUpdateLapsesItsWholeBoundOfDueOccurrences) {
    CDateEntry entry = Every(Dt(1, 1, 1), 3, 1);
    entry.Properties.EndDate = Dt(2025, 1, 1);
    entry.Properties.ShowEnd = 1;
    entry.Properties.OverdueAction = 2;
    entry.Properties.Forewarn = 1;
    const CDateTime now = Dt(2024, 5, 17, 8, 30);
    ASSERT_TRUE(entry.UpdateReminders(now));
    EXPECT_EQ(entry.DueOccurrences.GetSize(), 0);
    EXPECT_EQ(entry.AcknowledgedOccurrences.GetSize(), CDateEntry::kMostNewDuePerUpdate);
    EXPECT_EQ(entry.AcknowledgedOccurrences[0], Dt(1, 1, 1));
}

}  // namespace
