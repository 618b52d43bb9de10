// The reminder operations as one scan of the lists per item, in the order the calendar's own
// rules state them: the reference that the indexed batch operations must agree with.
#pragma once

#include "datetime/DateTimeRange.h"
#include "store/DateEntry.h"

namespace reference {

inline int Find(const CDateTimeList& list, const CDateTime& t) {
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list[i] == t) return i;
    }
    return -1;
}

inline bool IsRunning(const CDateEntry& e, const CDateTime& t) {
    return CDateTimeRange::ToSeconds(e.LastCheckTime) <
           CDateTimeRange::ToSeconds(t) + e.GetDuration().GetTotalSeconds();
}

inline bool IsSettled(const CDateEntry& e, const CDateTime& t) {
    if (Find(e.DueOccurrences, t) >= 0 || Find(e.SnoozedOccurrences, t) >= 0) return false;
    return Find(e.AcknowledgedOccurrences, t) >= 0 || !IsRunning(e, t);
}

inline void Acknowledge(CDateEntry& e, const CDateTime& item, bool acknowledged) {
    const CDateTime t = item;
    const int snoozed = Find(e.SnoozedOccurrences, t);
    if (snoozed >= 0) {
        e.SnoozedOccurrences.RemoveAt(snoozed);
        if (snoozed < e.SnoozeUntil.GetSize()) e.SnoozeUntil.RemoveAt(snoozed);
    }
    if (acknowledged) {
        const int due = Find(e.DueOccurrences, t);
        if (due >= 0) e.DueOccurrences.RemoveAt(due);
        const int index = Find(e.AcknowledgedOccurrences, t);
        if (index < 0) {
            if (IsRunning(e, t)) e.AcknowledgedOccurrences.Add(t);
        } else if (!IsRunning(e, t)) {
            e.AcknowledgedOccurrences.RemoveAt(index);
        }
        return;
    }
    if (!IsSettled(e, t)) return;
    const int index = Find(e.AcknowledgedOccurrences, t);
    if (index >= 0) {
        e.AcknowledgedOccurrences.RemoveAt(index);
    } else {
        e.DueOccurrences.Add(t);
    }
}

// Acknowledges the item at `i` of `list` when `needsChange` says so; stays at `i` when the
// item has left the list.
template <class NeedsChange>
bool Walk(CDateEntry& e, CDateTimeList& list, NeedsChange&& needsChange, bool acknowledged) {
    bool any = false;
    for (int i = 0; i < list.GetSize();) {
        const CDateTime t = list[i];
        if (!needsChange(t)) {
            ++i;
            continue;
        }
        const int size = list.GetSize();
        Acknowledge(e, t, acknowledged);
        any = true;
        if (list.GetSize() == size) ++i;
    }
    return any;
}

inline bool Lapse(CDateEntry& e, const CDateTime& now) {
    if (e.Properties.OverdueAction == 0) return false;
    auto lapsed = [&](const CDateTime& t) { return !e.IsWithinOverdueLimit(t, now); };
    const bool due = Walk(e, e.DueOccurrences, lapsed, true);
    const bool snoozed = Walk(e, e.SnoozedOccurrences, lapsed, true);
    return due || snoozed;
}

inline void Merge(CDateEntry& e, const CDateEntry& source, bool takeLastCheck) {
    const CDateEntry other(source);
    auto settledThere = [&](const CDateTime& t) { return IsSettled(other, t); };
    auto pendingThere = [&](const CDateTime& t) { return !IsSettled(other, t); };
    Walk(e, e.DueOccurrences, settledThere, true);
    Walk(e, e.SnoozedOccurrences, settledThere, true);
    Walk(e, e.AcknowledgedOccurrences, pendingThere, false);
    for (const CDateTime& t : other.DueOccurrences) {
        if (IsSettled(e, t)) Acknowledge(e, t, false);
    }
    for (const CDateTime& t : other.SnoozedOccurrences) {
        if (IsSettled(e, t)) Acknowledge(e, t, false);
    }
    for (const CDateTime& t : other.AcknowledgedOccurrences) {
        if (!IsSettled(e, t)) Acknowledge(e, t, true);
    }
    if (takeLastCheck) e.LastCheckTime = other.LastCheckTime;
}

}  // namespace reference
