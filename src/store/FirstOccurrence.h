// The first occurrence of a date entry's series, from its properties alone: what the
// recurrence, the closed-form counts and the export all start from.
#pragma once

#include <cstdint>

#include "datetime/DateTime.h"
#include "store/DateEntryProperties.h"

class CFirstOccurrence {
public:
    // S, the start of the series: StartDate, at midnight for a whole-day entry.
    static CDateTime Start(const DateEntryProperties& p);
    // The end of the first occurrence: EndDate when ShowEnd is set, else S; at 23:59:59 for
    // a whole-day entry. It may lie before S.
    static CDateTime End(const DateEntryProperties& p);
    // End(p) - Start(p) in seconds; negative when the occurrence ends before it starts.
    static std::int64_t Duration(const DateEntryProperties& p);
};
