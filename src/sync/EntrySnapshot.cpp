#include "sync/EntrySnapshot.h"

#include "store/DateEntry.h"

namespace {

bool SameProperties(const DateEntryProperties& a, const DateEntryProperties& b) {
#define ZF_SAME_PROPERTY(name, type, initial, form, firstSchema) a.name == b.name&&
    return ZF_DATE_ENTRY_PROPERTIES(ZF_SAME_PROPERTY) true;
#undef ZF_SAME_PROPERTY
}

bool SamePairs(const std::vector<std::int32_t>& pairs, const CDateTimeList& list) {
    if (pairs.size() != 2 * static_cast<std::size_t>(list.GetSize())) return false;
    const std::int32_t* const stored = list.GetStoredPairs();
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i] != stored[i]) return false;
    }
    return true;
}

// The lists in one order for both the snapshot and the comparison.
template <class TEntry, class TVisit>
void ForEachList(TEntry& entry, TVisit visit) {
    visit(0, entry.DueOccurrences);
    visit(1, entry.AcknowledgedOccurrences);
    visit(2, entry.SnoozedOccurrences);
    visit(3, entry.SnoozeUntil);
    visit(4, entry.DroppedOccurrences.Items());
}

}  // namespace

CEntrySnapshot::CEntrySnapshot(const CDateEntry& entry)
    : m_properties(entry.Properties),
      m_lastCheck(entry.LastCheckTime),
      m_seriesEnd(entry.SeriesEnd),
      m_seriesEndKnown(entry.SeriesEndKnown) {
    TakeLists(entry, m_lists);
}

void CEntrySnapshot::TakeLists(const CDateEntry& entry, Pairs (&lists)[kLists]) {
    ForEachList(entry, [&lists](int index, const CDateTimeList& list) {
        const std::int32_t* const stored = list.GetStoredPairs();
        lists[index].assign(stored, stored + 2 * static_cast<std::size_t>(list.GetSize()));
    });
}

bool CEntrySnapshot::KeepIfUnchanged(CDateEntry& entry) const {
    if (!(entry.LastCheckTime == m_lastCheck) || !SameProperties(entry.Properties, m_properties)) {
        return false;
    }
    bool same = true;
    ForEachList(entry, [this, &same](int index, const CDateTimeList& list) {
        same = same && SamePairs(m_lists[index], list);
    });
    if (!same) return false;
    entry.SeriesEnd = m_seriesEnd;
    entry.SeriesEndKnown = m_seriesEndKnown;
    return true;
}
