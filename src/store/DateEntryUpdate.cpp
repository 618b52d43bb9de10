// Taking over new properties while keeping the reminder state that still fits them, and
// reconciling the reminder state of two entries that stand for the same calendar entry.
#include <cstdint>

#include "datetime/DateTimeRange.h"
#include "store/DateEntry.h"
#include "store/ReminderIndex.h"

namespace {

bool SameInstant(const CDateTime& a, const CDateTime& b) {
    return a.GetDayNumber() == b.GetDayNumber() && a.GetSecondOfDay() == b.GetSecondOfDay();
}

bool RuleChanged(const DateEntryProperties& current, const DateEntryProperties& next) {
    if (current.Repeat != next.Repeat) return true;
    if (current.Repeat == kRepeatEvery) {
        return current.RepeatRate != next.RepeatRate || current.RepeatUnit != next.RepeatUnit;
    }
    if (current.Repeat == kRepeatMonthlyWeekday) {
        return current.RepeatWeekdayCount != next.RepeatWeekdayCount ||
               current.RepeatWeekday != next.RepeatWeekday;
    }
    return false;
}

}  // namespace

void CDateEntry::ApplyProperties(const DateEntryProperties& properties) {
    const DateEntryProperties& current = Properties;
    if (!SameInstant(current.StartDate, properties.StartDate)) ResetOccurrenceState();
    if (current.ShowStartTime != properties.ShowStartTime) ResetOccurrenceState();

    const CDateTime now = CDateTime::Now();
    if (current.Forewarn != 0 && properties.Forewarn == 0) {
        for (int i = 0; i < SnoozedOccurrences.GetSize(); ++i) {
            if (SnoozedOccurrences[i] < now) DueOccurrences.Add(SnoozedOccurrences[i]);
        }
        SnoozedOccurrences.RemoveAll();
        SnoozeUntil.RemoveAll();
    }
    if (properties.Forewarn != 0 && (properties.ForewarnSpan != current.ForewarnSpan ||
                                     properties.ForewarnUnit != current.ForewarnUnit)) {
        const std::int64_t limit =
            CDateTimeRange::ToSeconds(now) +
            MakeSpan(properties.ForewarnSpan, properties.ForewarnUnit).GetTotalSeconds();
        for (int i = 0; i < DueOccurrences.GetSize();) {
            if (CDateTimeRange::ToSeconds(DueOccurrences[i]) > limit) {
                DueOccurrences.RemoveAt(i);
            } else {
                ++i;
            }
        }
        for (int i = 0; i < SnoozedOccurrences.GetSize();) {
            if (CDateTimeRange::ToSeconds(SnoozedOccurrences[i]) > limit) {
                SnoozedOccurrences.RemoveAt(i);
                if (i < SnoozeUntil.GetSize()) SnoozeUntil.RemoveAt(i);
            } else {
                ++i;
            }
        }
    }
    if (RuleChanged(current, properties)) ResetOccurrenceState();

    SeriesEndKnown = 0;
    Properties = properties;
    PurgeOccurrenceLists();
}

void CDateEntry::MergeOccurrenceState(const CDateEntry& other, bool takeLastCheck) {
    // Both sides are indexed copies: the other entry may be this one, and a walk over many
    // items looks each up in O(log n).
    CReminderIndex mine(*this);
    const CReminderIndex theirs(other);
    auto walk = [&](CReminderIndex::EList list, bool settledThere, bool acknowledged) {
        mine.ForEach(list, [&](const CDateTime& occurrence) {
            if (theirs.IsSettled(occurrence) == settledThere) {
                mine.Acknowledge(occurrence, acknowledged);
            }
        });
    };
    walk(CReminderIndex::kDue, true, true);
    walk(CReminderIndex::kSnoozed, true, true);
    walk(CReminderIndex::kAcknowledged, false, false);

    for (const CDateTimeList* list : {&other.DueOccurrences, &other.SnoozedOccurrences}) {
        for (const CDateTime& occurrence : *list) {
            if (mine.IsSettled(occurrence)) mine.Acknowledge(occurrence, false);
        }
    }
    for (const CDateTime& occurrence : other.AcknowledgedOccurrences) {
        if (!mine.IsSettled(occurrence)) mine.Acknowledge(occurrence, true);
    }
    const CDateTime lastCheck = other.LastCheckTime;
    mine.Commit(*this);
    if (takeLastCheck) LastCheckTime = lastCheck;
}
