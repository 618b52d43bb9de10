// The judgement of the dropped occurrences of a series that ends after a count by one window
// query per drop, and per refused drop again with the other drops in place, on the public
// occurrence queries: the reference that the purge's pass over the series must agree with.
#pragma once

#include <algorithm>
#include <vector>

#include "store/DateEntry.h"

namespace reference {

// Leaves the kept drops in DroppedOccurrences in their order, and the series end and counter
// of the last query; SeriesEndKnown is 0 afterwards.
inline void PurgeDropsByQueries(CDateEntry& entry) {
    using Dates = std::vector<CDateTime>;
    auto isOccurrence = [&entry](const CDateTime& t) {
        CDateTime start;
        CDateTime end;
        return entry.FindFirstOccurrence(t, t, start, end);
    };
    auto setDrops = [&entry](const Dates& drops) {
        entry.DroppedOccurrences.RemoveAll();
        for (const CDateTime& t : drops) entry.DroppedOccurrences.Add(t);
    };
    const Dates all(entry.DroppedOccurrences.begin(), entry.DroppedOccurrences.end());
    entry.DroppedOccurrences.RemoveAll();
    Dates kept;
    Dates refused;
    for (const CDateTime& item : all) (isOccurrence(item) ? kept : refused).push_back(item);
    for (const CDateTime& item : refused) {
        Dates others;
        for (const CDateTime& other : all) {
            if (other != item) others.push_back(other);
        }
        setDrops(others);
        entry.SeriesEndKnown = 0;
        if (isOccurrence(item)) kept.push_back(item);
    }
    Dates result;
    for (const CDateTime& item : all) {
        if (std::find(kept.begin(), kept.end(), item) != kept.end()) result.push_back(item);
    }
    setDrops(result);
    entry.SeriesEndKnown = 0;
}

}  // namespace reference
