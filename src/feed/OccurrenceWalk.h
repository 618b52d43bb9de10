// Every occurrence of a date entry up to a horizon, as the calendar's window queries find
// them: the reference that an exported rule must match.
#pragma once

#include <cstddef>
#include <vector>

#include "datetime/DateTime.h"

class CDateEntry;

class COccurrenceWalk {
public:
    // Appends to `starts`, in order, the start of every occurrence of `entry` that starts
    // before `horizon`, found by FindFirstOccurrence and FindNextOccurrence on a copy (the
    // entry itself is not touched). A walk of the queries ends at a candidate that fails the
    // fifth-weekday check (RepeatWeekdayCount 4); the walk then goes on from the 29th of the
    // following month, where the next such occurrence can start. False, with the starts
    // found so far, once `most` have been found.
    static bool Collect(const CDateEntry& entry, const CDateTime& horizon, std::size_t most,
                        std::vector<CDateTime>& starts);
};
