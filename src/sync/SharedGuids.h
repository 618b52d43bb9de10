// The events that several subscriptions of one calendar import: the last import of each
// subscription (its state file of imported GUIDs) decides who owns an event and whether an
// event that left one subscription may leave the calendar.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "archive/Array.h"
#include "store/DateEntryArray.h"

class CSharedGuids {
public:
    // The GUIDs of the last import of another subscription; `earlier`: one before this one
    // in the user's order, which owns the events both carry.
    void AddOther(const std::vector<std::string>& guids, bool earlier);

    // Removes from `feed` the entries whose GUID an earlier subscription's last import holds,
    // so that the owner's entry and choices stay as they are. Returns the number of GUIDs
    // left alone.
    int LeaveOwnedAlone(CDateEntryArray& feed) const;
    // `guids` without those that another subscription's last import holds, in order.
    std::vector<std::string> NotHeldByOthers(const std::vector<std::string>& guids) const;

private:
    std::unordered_set<std::string> m_earlier;
    std::unordered_set<std::string> m_all;
};
