// Taking over new properties while keeping the reminder state that still fits them, and
// reconciling the reminder state of two entries that stand for the same calendar entry.
#include <cstdint>

#include "archive/Array.h"
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

void CDateEntry::TakeDroppedOccurrences(const CDateEntry& other) {
    const CIndexedDateTimeList& wanted = other.DroppedOccurrences;
    // Restoring an item removes its first copy, which a walk from the start reaches first:
    // the items that stay keep their order.
    CDateTimeArray kept;
    for (const CDateTime item : DroppedOccurrences) {
        if (wanted.Contains(item)) kept.Add(item);
    }
    if (kept.GetSize() != DroppedOccurrences.GetSize()) {
        DroppedOccurrences.Assign(kept);
        SeriesEndKnown = 0;
    }
    if (wanted.IsEmpty()) return;

    auto keepUnwanted = [&wanted](CDateTimeList& list) {
        CDateTimeArray rest;
        for (const CDateTime item : list) {
            if (!wanted.Contains(item)) rest.Add(item);
        }
        if (rest.GetSize() != list.GetSize()) list.Assign(rest);
    };
    keepUnwanted(DueOccurrences);
    keepUnwanted(AcknowledgedOccurrences);
    // A snoozed item leaves with its SnoozeUntil item, where that list has its index.
    CDateTimeArray snoozed;
    CDateTimeArray until;
    for (int i = 0; i < SnoozedOccurrences.GetSize(); ++i) {
        const bool stays = !wanted.Contains(SnoozedOccurrences[i]);
        if (stays) snoozed.Add(SnoozedOccurrences[i]);
        if (stays && i < SnoozeUntil.GetSize()) until.Add(SnoozeUntil[i]);
    }
    for (int i = SnoozedOccurrences.GetSize(); i < SnoozeUntil.GetSize(); ++i) {
        until.Add(SnoozeUntil[i]);
    }
    if (snoozed.GetSize() != SnoozedOccurrences.GetSize()) {
        SnoozedOccurrences.Assign(snoozed);
        SnoozeUntil.Assign(until);
    }

    for (const CDateTime item : wanted) {
        if (!DroppedOccurrences.Contains(item)) DroppedOccurrences.Add(item);
    }
    SeriesEndKnown = 0;
}
