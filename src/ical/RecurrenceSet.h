// The occurrences of one event: DTSTART, its RRULEs and RDATEs, less its EXDATEs (RFC 5545
// section 3.8.5), as wall-clock seconds in the event's own zone. DTSTART always counts as an
// occurrence (unless an EXDATE names it), also when the rule would not yield it, as the RFC
// says and common expanders do; COUNT counts only what the rule yields.
#pragma once

#include <cstddef>
#include <vector>

#include "ical/CivilTime.h"
#include "ical/RecurrenceRule.h"

class CTimeZone;

class CRecurrenceSet {
public:
    CCivilFields dtstart;
    // The event's zone, for UNTIL in UTC; nullptr: floating. Not owned.
    const CTimeZone* zone = nullptr;
    std::vector<CRecurrenceRule> rules;
    // RDATE and EXDATE values already brought into the event's wall-clock time (a DATE as
    // its 00:00:00); an EXDATE removes the occurrence that starts exactly then.
    std::vector<IcalSeconds> rdates;
    std::vector<IcalSeconds> exdates;

    // The occurrence starts in [from, to), sorted, each once, at most `most` of them;
    // `truncated` tells whether more were left out. Bounded by the iterator's bounds and
    // `most`, whatever the rules say.
    std::vector<IcalSeconds> Expand(IcalSeconds from, IcalSeconds to, std::size_t most,
                                    bool& truncated) const;

    // True when the rules end (COUNT or UNTIL on every rule), so the set is finite.
    bool IsFinite() const;
};
