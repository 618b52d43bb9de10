// What an update may change of a stored entry's record, taken before the update, so that the
// merge tells an entry that changed from one that its feed delivered again as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "datetime/PackedDateTime.h"
#include "store/DateEntryProperties.h"

class CDateEntry;

class CEntrySnapshot {
public:
    // REQUIRES: `entry`'s store outlives the snapshot (its texts are kept as handles).
    explicit CEntrySnapshot(const CDateEntry& entry);

    // True when `entry` holds what it held at the snapshot: the same properties, reminder
    // state (due, snoozed, acknowledged occurrences and snooze ends, in their order), dropped
    // occurrences and last check time, each as the event file stores it. It then takes back
    // its series-end cache too, which an update clears although the series stayed the same,
    // so that its stored record is byte for byte the one before.
    bool KeepIfUnchanged(CDateEntry& entry) const;

private:
    // The stored pairs of the entry's date-time lists, in the order of kLists.
    static constexpr int kLists = 5;
    using Pairs = std::vector<std::int32_t>;
    static void TakeLists(const CDateEntry& entry, Pairs (&lists)[kLists]);

    DateEntryProperties m_properties;
    Pairs m_lists[kLists];
    CPackedDateTime m_lastCheck;
    CPackedDateTime m_seriesEnd;
    std::int32_t m_seriesEndKnown = 0;
};
