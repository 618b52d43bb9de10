// The purge's judgement of the dropped occurrences of a series that ends after a count, all
// drops at once instead of one occurrence query each.
//
// Drops push a counted series outwards, so the purge judges each item by the window query
// [t, t]: first with no drop in place (and the series end that the queries before it cached),
// then, for an item that query refuses, again with every other drop in place and no cached
// end. Each query counts the series from its start up to the occurrence it finds; one query
// per drop walks the series once per drop. Here the counts come from one closed-form count
// (CSeriesCount) or from one walk of the series (CSeriesWalk) with the sorted drops.
#pragma once

#include <vector>

#include "datetime/DateTime.h"

class CDateEntry;

class CCountedDrops {
public:
    // Judges the items of `drops` as those queries do: keep[i] tells whether item i stays
    // (equal items share their fate: one of them kept keeps all), and SeriesEnd and
    // OccurrenceCounter are left as the last query that set them leaves them (a series that
    // a walk of more than a few thousand candidates cannot bring to RepeatEndCount by its
    // farthest drop is judged without counting, in closed form, and leaves OccurrenceCounter
    // as it was: every query sets it before reading it). SeriesEndKnown
    // is not touched; the caller clears it.
    // A fixed-period series that CSeriesCount counts is judged in closed form; any other
    // repeating rule whose occurrences last 0 seconds or more by one walk of the series up to
    // the farthest occurrence that a drop's query finds, within the bound of candidates of one
    // query, its candidates taken from the open CCandidateBudget.
    // False, with nothing changed, for other rules (a single occurrence, whose query counts
    // nothing; occurrences that end before they start), for a damaged item, when a closed-form
    // count would take too long and when the budget runs out: the caller then queries.
    // REQUIRES: the entry's RepeatEnd is an end after a count, and its DroppedOccurrences is
    // empty (the drops are judged against the bare rule).
    static bool Judge(CDateEntry& entry, const CDateTimeArray& drops, std::vector<bool>& keep);
};
