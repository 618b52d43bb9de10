// The reminder state of a date entry: due, snoozed, acknowledged and dropped occurrences.
//
// SnoozeUntil runs parallel to SnoozedOccurrences. A damaged event file can store the two
// lists with different sizes; a snoozed occurrence without a SnoozeUntil item counts as
// reached (it becomes due rather than being lost), and removals touch SnoozeUntil only
// where it has the index.
#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "datetime/DateTimeRange.h"
#include "store/CandidateBudget.h"
#include "store/CountedDrops.h"
#include "store/DateEntry.h"
#include "store/ReminderIndex.h"

namespace {

// A date-time as its stored pair, which is what CDateTime equality compares.
using Key = std::pair<std::int32_t, std::int32_t>;

Key KeyOf(const CDateTime& value) {
    return {value.GetDayNumber(), value.GetSecondOfDay()};
}

template <class TList>
int FindIn(const TList& list, const CDateTime& occurrence) {
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list[i] == occurrence) return i;
    }
    return -1;
}

bool RemoveFirst(CDateTimeList& list, const CDateTime& occurrence) {
    const int index = FindIn(list, occurrence);
    if (index < 0) return false;
    list.RemoveAt(index);
    return true;
}

void RemoveSnoozedAt(CDateEntry& entry, int index) {
    entry.SnoozedOccurrences.RemoveAt(index);
    if (index < entry.SnoozeUntil.GetSize()) entry.SnoozeUntil.RemoveAt(index);
}

void RemoveAll(CDateTimeList& list, const CDateTime& occurrence) {
    while (RemoveFirst(list, occurrence)) {
    }
}

// End of the occurrence starting at `start`, in seconds (see CDateTimeRange::ToSeconds).
std::int64_t EndSeconds(const CDateEntry& entry, const CDateTime& start) {
    return CDateTimeRange::ToSeconds(start) + entry.GetDuration().GetTotalSeconds();
}

// now, plus the forewarn span when forewarning is on, at most the longest forewarn ahead and
// within the representable range. The bound keeps every walk over a window from now to the
// horizon (refused occurrences included) to a bounded number of steps of the rule.
CDateTime Horizon(const CDateEntry& entry, const CDateTime& now) {
    const DateEntryProperties& p = entry.Properties;
    if (p.Forewarn == 0) return now;
    const std::int64_t span =
        std::min(CDateEntry::MakeSpan(p.ForewarnSpan, p.ForewarnUnit).GetTotalSeconds(),
                 CDateEntry::kLongestForewarnDays * CDateTimeRange::kSecondsPerDay);
    return CDateTimeRange::AddClamped(now, span);
}

// Whether the one-instant window [t, t] still finds an occurrence.
bool IsStillOccurrence(CDateEntry& entry, const CDateTime& t) {
    CDateTime start;
    CDateTime end;
    return entry.FindFirstOccurrence(t, t, start, end);
}

void RemoveNonOccurrences(CDateEntry& entry, CDateTimeList& list) {
    for (int i = 0; i < list.GetSize();) {
        if (IsStillOccurrence(entry, list[i])) {
            ++i;
        } else {
            list.RemoveAt(i);
        }
    }
}

}  // namespace

int CDateEntry::FindDue(const CDateTime& occurrence) const {
    return FindIn(DueOccurrences, occurrence);
}

int CDateEntry::FindSnoozed(const CDateTime& occurrence) const {
    return FindIn(SnoozedOccurrences, occurrence);
}

int CDateEntry::FindAcknowledged(const CDateTime& occurrence) const {
    return FindIn(AcknowledgedOccurrences, occurrence);
}

// The operations below take a copy of their argument first: a caller may pass an item of
// one of the lists that they change.

void CDateEntry::DropOccurrence(const CDateTime& item) {
    const CDateTime occurrence = item;
    // Every copy goes: a dropped occurrence is in no other list.
    for (int i = FindSnoozed(occurrence); i >= 0; i = FindSnoozed(occurrence)) {
        RemoveSnoozedAt(*this, i);
    }
    RemoveAll(DueOccurrences, occurrence);
    RemoveAll(AcknowledgedOccurrences, occurrence);
    if (!IsOccurrenceDropped(occurrence)) DroppedOccurrences.Add(occurrence);
    SeriesEndKnown = 0;
}

void CDateEntry::RestoreOccurrence(const CDateTime& item) {
    const CDateTime occurrence = item;
    const int index = DroppedOccurrences.Find(occurrence);
    if (index >= 0) DroppedOccurrences.RemoveAt(index);
    SeriesEndKnown = 0;
}

void CDateEntry::PurgeOccurrenceLists() {
    const CCandidateBudget budget;
    RemoveNonOccurrences(*this, DueOccurrences);
    RemoveNonOccurrences(*this, AcknowledgedOccurrences);
    for (int i = 0; i < SnoozedOccurrences.GetSize();) {
        if (IsStillOccurrence(*this, SnoozedOccurrences[i])) {
            ++i;
        } else {
            RemoveSnoozedAt(*this, i);
        }
    }

    // The dropped items are checked against the bare rule, so they must not refuse
    // themselves while they are checked.
    CDateTimeArray all;
    all.Append(DroppedOccurrences);
    DroppedOccurrences.RemoveAll();
    std::vector<bool> keep;
    if (Properties.RepeatEnd == kRepeatEndAfterCount && CCountedDrops::Judge(*this, all, keep)) {
        for (int i = 0; i < all.GetSize(); ++i) {
            if (keep[static_cast<std::size_t>(i)]) DroppedOccurrences.Add(all[i]);
        }
        SeriesEndKnown = 0;
        return;
    }
    CDateTimeArray kept;
    CDateTimeArray refused;
    for (const CDateTime& item : all) {
        (IsStillOccurrence(*this, item) ? kept : refused).Add(item);
    }
    // In a series that ends after a count, the drops push each other outwards: with all of
    // them taken out, a drop that the others move within the count (the second of two
    // dropped items in a series of two) would lie past the end and be forgotten, and the
    // deleted occurrence would come back. Such an item is judged again with every other
    // drop in place; only the drop set decides, so each check starts without a cached end.
    if (Properties.Repeat != kRepeatNone && Properties.RepeatEnd == kRepeatEndAfterCount &&
        !refused.IsEmpty()) {
        for (const CDateTime& item : refused) {
            DroppedOccurrences.RemoveAll();
            for (const CDateTime& other : all) {
                if (other != item) DroppedOccurrences.Add(other);
            }
            SeriesEndKnown = 0;
            if (IsStillOccurrence(*this, item)) kept.Add(item);
        }
        DroppedOccurrences.RemoveAll();
        // Back in the list's own order.
        for (const CDateTime& item : all) {
            if (FindIn(kept, item) >= 0) DroppedOccurrences.Add(item);
        }
    } else {
        DroppedOccurrences.Append(kept);
    }
    // The checks above counted a series that ends after a count without some of its drops;
    // an end cached then lies too early once the drops are back.
    SeriesEndKnown = 0;
}

bool CDateEntry::UpdateReminders(const CDateTime& now) {
    const CCandidateBudget budget;
    const CDateTime horizon = Horizon(*this, now);
    bool changed = false;

    for (int i = 0; i < SnoozedOccurrences.GetSize();) {
        if (i >= SnoozeUntil.GetSize() || now >= SnoozeUntil[i]) {
            DueOccurrences.Add(SnoozedOccurrences[i]);
            RemoveSnoozedAt(*this, i);
            changed = true;
        } else {
            ++i;
        }
    }

    const std::int64_t lastCheck = CDateTimeRange::ToSeconds(LastCheckTime);
    CDateTimeArray running;
    for (const CDateTime& item : AcknowledgedOccurrences) {
        if (lastCheck < EndSeconds(*this, item)) running.Add(item);
    }
    AcknowledgedOccurrences.RemoveAll();
    AcknowledgedOccurrences.Append(running);

    // A window may hold many occurrences: past the first few, the three lists are looked up
    // through one ordered set instead of a scan per occurrence.
    constexpr int kScannedOccurrences = 16;
    int seen = 0;
    std::set<Key> listed;
    bool built = false;
    auto isListed = [&](const CDateTime& start) {
        if (++seen <= kScannedOccurrences) {
            return FindDue(start) >= 0 || FindSnoozed(start) >= 0 || FindAcknowledged(start) >= 0;
        }
        if (!built) {
            built = true;
            for (const CDateTimeList* list :
                 {&DueOccurrences, &SnoozedOccurrences, &AcknowledgedOccurrences}) {
                for (const CDateTime& item : *list) listed.insert(KeyOf(item));
            }
        }
        return listed.count(KeyOf(start)) != 0;
    };
    const CDateTime from = LastCheckTime;
    CDateTime checkedUntil = now;
    int added = 0;
    std::int64_t walked = 0;
    CDateTime start;
    CDateTime end;
    for (bool found = FindFirstOccurrence(from, horizon, start, end);
         found && ++walked <= kMostCandidatesPerQuery && CCandidateBudget::Take();
         found = FindNextOccurrence(from, horizon, start, end)) {
        if (isListed(start) || !(from < end)) continue;
        if (added == kMostNewDuePerUpdate) {
            // This occurrence and the later ones are left to later updates. One that has
            // ended by now would fall before a check time of now and be lost; the check time
            // stays just before its end instead (end > from, so it does not move back).
            const CDateTime beforeEnd = CDateTimeRange::AddClamped(end, -1);
            if (beforeEnd < checkedUntil) checkedUntil = beforeEnd;
            break;
        }
        DueOccurrences.Add(start);
        ++added;
        if (built) listed.insert(KeyOf(start));
        changed = true;
    }

    if (LapseOverdueReminders(now)) changed = true;

    LastCheckTime = checkedUntil;
    return changed;
}

bool CDateEntry::IsWithinOverdueLimit(const CDateTime& occurrence, const CDateTime& now) {
    const DateEntryProperties& p = Properties;
    const std::int64_t end = EndSeconds(*this, occurrence);
    const std::int64_t nowSeconds = CDateTimeRange::ToSeconds(now);
    switch (p.OverdueAction) {
        case kOverdueAfterExecuteSpan:
            return end + MakeSpan(p.ExecuteSpan, p.ExecuteUnit).GetTotalSeconds() >= nowSeconds;
        case kOverdueAtNextOccurrence: {
            const CDateTime horizon = Horizon(*this, now);
            CDateTime start;
            CDateTime finish;
            return !(FindFirstOccurrence(occurrence, horizon, start, finish) &&
                     FindNextOccurrence(occurrence, horizon, start, finish));
        }
        case kOverdueAfterThirtySeconds:
            return end + 30 >= nowSeconds;
        default:
            return true;
    }
}

bool CDateEntry::LapseOverdueReminders(const CDateTime& now) {
    if (Properties.OverdueAction == kOverdueNever) return false;
    const CCandidateBudget budget;
    CReminderIndex index(*this);
    bool lapsed = false;
    for (const CReminderIndex::EList list : {CReminderIndex::kDue, CReminderIndex::kSnoozed}) {
        index.ForEach(list, [&](const CDateTime& occurrence) {
            if (IsWithinOverdueLimit(occurrence, now)) return;
            index.Acknowledge(occurrence, true);
            lapsed = true;
        });
    }
    if (lapsed) index.Commit(*this);
    return lapsed;
}

bool CDateEntry::IsOccurrenceSettled(const CDateTime& occurrence) const {
    return CReminderIndex(*this).IsSettled(occurrence);
}

void CDateEntry::AcknowledgeOccurrence(const CDateTime& occurrence, bool acknowledged) {
    CReminderIndex index(*this);
    index.Acknowledge(occurrence, acknowledged);
    index.Commit(*this);
}
