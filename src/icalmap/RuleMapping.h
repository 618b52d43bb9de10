// The one RRULE that yields a repeating date entry's occurrences, where one exists: the
// repeat rule with its month-end behaviour and the fifth-weekday check, and the time,
// weekday and month conditions as BY parts. The end of the series (UNTIL) and the dropped
// occurrences (EXDATE) are the exporter's: they need the entry's queries.
#pragma once

#include <optional>

#include "ical/RecurrenceRule.h"
#include "store/DateEntryProperties.h"

class CRuleMapping {
public:
    // True for a rule that yields more than its first occurrence (Repeat 1 with a known unit
    // and a RepeatRate of at least 1, or Repeat 2); the other entries have at most one.
    static bool IsSeries(const DateEntryProperties& properties);

    // The rule for a series (IsSeries) whose first occurrence starts at `first` (the
    // DTSTART written), when its conditions let any candidate through. Nothing when no
    // single rule is exact, and also when the conditions refuse every
    // candidate (the exporter then finds no occurrence at all). `first` must be an
    // occurrence: the rule keeps its time of day and, for a monthly rule, its place in the
    // month grid.
    static std::optional<CRecurrenceRule> Build(const DateEntryProperties& properties,
                                                IcalSeconds first);
};
