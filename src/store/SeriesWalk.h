// The candidates of a date entry's repeat rule walked once from the series start, as the count
// of an occurrence query walks them, so that the counts of many queries under one set of drops
// come from that one walk instead of one walk each.
//
// The count for an occurrence starting at c walks the window [S, c]: GetFirstOccurrence, then
// GetNextOccurrence while the candidates overlap the window. With occurrences of 0 seconds or
// more, every candidate from S on overlaps it exactly while it starts by c, so for any c up to
// `until` that walk meets the candidates of the walk over [S, until] that start by c, in the
// same order and with the same stops (the end of the range, a fifth weekday that a month
// lacks, the bound of candidates of one query). The walk here keeps the candidates that the
// conditions allow, each marked when the drop set holds it; every count is then a binary
// search, with no drop in place, or with every drop of the set but one.
#pragma once

#include <cstdint>
#include <vector>

#include "datetime/DateTime.h"

class CDateEntry;

class CSeriesWalk {
public:
    // Walks the series of `entry` over [S, until] as the count of a query does, at most
    // CDateEntry::kMostCandidatesPerQuery candidates, each taken from the open
    // CCandidateBudget. `dropped` holds the drop set, sorted and distinct. The walk stops once
    // it has met `enough` allowed candidates outside the drop set: every count past them is at
    // least `enough` whichever drops are in place. False when the budget ran out.
    // REQUIRES: entry.DroppedOccurrences is empty (the conditions alone decide what is
    // allowed), and the occurrences last 0 seconds or more.
    bool Walk(const CDateEntry& entry, const CDateTime& until,
              const std::vector<CDateTime>& dropped, std::int64_t enough);

    // The allowed candidates met that start by `c`: with `withDrops` false all of them, with it
    // true those outside the drop set and `excluded` (an item of the set taken out of it).
    std::int64_t Count(const CDateTime& c, bool withDrops, const CDateTime& excluded) const;
    // The end of the n-th (from 1) of the candidates that Count counts (with no bound on c);
    // false when the walk met fewer.
    bool FindEndOfNth(std::int64_t n, bool withDrops, const CDateTime& excluded,
                      CDateTime& end) const;

private:
    // Index of `excluded` among the allowed candidates when it is one of the dropped ones,
    // else -1.
    std::int64_t IndexOfExcluded(const CDateTime& excluded) const;

    std::vector<CDateTime> m_starts;  // the allowed candidates, in order
    std::vector<CDateTime> m_ends;
    std::vector<bool> m_dropped;
    std::vector<std::int64_t> m_keptBefore;  // [i]: those outside the drop set among 0 .. i - 1
    std::vector<std::int64_t> m_kept;        // indices of those outside the drop set
};
