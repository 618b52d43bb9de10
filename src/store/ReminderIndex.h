// The due, snoozed and acknowledged lists of one date entry, indexed by occurrence start, for
// operations that look up, remove or append many occurrences in one run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "datetime/DateTime.h"
#include "store/DateTimeList.h"

class CDateEntry;

// A copy of the three lists (with SnoozeUntil) in which a lookup, a removal of the first
// equal item and an append cost O(log n) instead of a scan, so that a batch of n
// acknowledgements costs O(n log n). Every operation gives the lists that the same
// operation on the entry's own lists would give, in the same order; Commit writes them back.
// The entry's LastCheckTime and occurrence length are taken at construction: the operations
// judge "still running" by them.
class CReminderIndex {
public:
    enum EList { kDue, kSnoozed, kAcknowledged };

    explicit CReminderIndex(const CDateEntry& entry);

    bool Contains(EList list, const CDateTime& occurrence) const;
    // Removes the first item equal to `occurrence` (from SnoozedOccurrences with its
    // SnoozeUntil item where there is one); false when there is none.
    bool RemoveFirst(EList list, const CDateTime& occurrence);
    void Append(EList list, const CDateTime& occurrence);

    // CDateEntry::IsOccurrenceSettled and AcknowledgeOccurrence over these lists.
    bool IsSettled(const CDateTime& occurrence) const;
    void Acknowledge(const CDateTime& occurrence, bool acknowledged);

    // Calls `visit` with each item of `list`, in order, that is still in it when its turn
    // comes. REQUIRES: `visit` removes from `list` no item after the one visited and appends
    // nothing to it, as an acknowledgement of a visited item never does.
    template <class Visit>
    void ForEach(EList list, Visit&& visit) {
        const Items& items = m_lists[list];
        for (std::size_t i = 0; i < items.values.size(); ++i) {
            if (items.present[i]) visit(CDateTime(items.values[i]));
        }
    }

    // Replaces the entry's three lists and SnoozeUntil with these.
    void Commit(CDateEntry& entry) const;

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // The items ever in one list, in order, with those still present marked, and for each
    // item the position of the next copy of its start in the same list.
    struct Items {
        std::vector<CDateTime> values;
        std::vector<bool> present;
        std::vector<std::size_t> next;
    };
    // Per start and list, the first and last present copy (kNone when there is none). A copy
    // is only ever removed as the first present one, so the copies form a queue.
    struct Copies {
        std::size_t first[3] = {kNone, kNone, kNone};
        std::size_t last[3] = {kNone, kNone, kNone};
    };
    static std::uint64_t KeyOf(const CDateTime& value);
    void Fill(EList list, const CDateTimeList& values);
    bool IsRunning(const CDateTime& occurrence) const;

    Items m_lists[3];
    std::unordered_map<std::uint64_t, Copies> m_copies;
    std::vector<CDateTime> m_snoozeUntil;
    std::vector<bool> m_snoozeUntilPresent;
    std::int64_t m_lastCheck = 0;
    std::int64_t m_duration = 0;
};
