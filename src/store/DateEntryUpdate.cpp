// Taking over new properties while keeping the reminder state that still fits them, and
// reconciling the reminder state of two entries that stand for the same calendar entry.
#include <cstdint>

#include "datetime/DateTimeRange.h"
#include "store/DateEntry.h"

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
    if (&other == this) {
        // Walking the other entry's lists while this entry's change would read moving data.
        const CDateEntry copy(other);
        MergeOccurrenceState(copy, takeLastCheck);
        return;
    }

    // Acknowledges (or makes pending) the item at `i` of `list`; stays at `i` when the item
    // has left the list.
    auto walk = [this](CDateTimeArray& list, auto&& needsChange, bool acknowledged) {
        for (int i = 0; i < list.GetSize();) {
            const CDateTime occurrence = list[i];
            if (!needsChange(occurrence)) {
                ++i;
                continue;
            }
            const int size = list.GetSize();
            AcknowledgeOccurrence(occurrence, acknowledged);
            if (list.GetSize() == size) ++i;
        }
    };
    auto settledThere = [&other](const CDateTime& t) { return other.IsOccurrenceSettled(t); };
    auto pendingThere = [&other](const CDateTime& t) { return !other.IsOccurrenceSettled(t); };

    walk(DueOccurrences, settledThere, true);
    walk(SnoozedOccurrences, settledThere, true);
    walk(AcknowledgedOccurrences, pendingThere, false);

    for (const CDateTime& occurrence : other.DueOccurrences) {
        if (IsOccurrenceSettled(occurrence)) AcknowledgeOccurrence(occurrence, false);
    }
    for (const CDateTime& occurrence : other.SnoozedOccurrences) {
        if (IsOccurrenceSettled(occurrence)) AcknowledgeOccurrence(occurrence, false);
    }
    for (const CDateTime& occurrence : other.AcknowledgedOccurrences) {
        if (!IsOccurrenceSettled(occurrence)) AcknowledgeOccurrence(occurrence, true);
    }

    if (takeLastCheck) LastCheckTime = other.LastCheckTime;
}
