// A DATE or DATE-TIME value of iCalendar (RFC 5545 sections 3.3.4, 3.3.5): civil fields and
// the frame they are in: a whole day, UTC ('Z'), a named zone (TZID) or floating.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ical/CivilTime.h"
#include "ical/ContentLine.h"

class CIcalDateTime {
public:
    CCivilFields fields;
    bool isDate = false;  // a DATE: the time fields are 0
    bool isUtc = false;   // written with 'Z'
    std::string tzid;     // the TZID parameter, empty when none (or for UTC)

    IcalSeconds Seconds() const { return CCivilTime::ToSeconds(fields); }

    // "YYYYMMDD" (a DATE, with or without VALUE=DATE: publishers often leave it out) or
    // "YYYYMMDDTHHMMSS[Z]". A seconds field of 60 reads as 59. False for anything else.
    static bool Parse(std::string_view text, CIcalDateTime& value);

    // The values of a DTSTART/DTEND/EXDATE/RDATE/RECURRENCE-ID line: comma-separated, each
    // with the line's TZID. Values that do not parse are left out and counted in `bad`.
    // PERIOD values (RDATE;VALUE=PERIOD) give their start here.
    static std::vector<CIcalDateTime> ParseList(const CContentLine& line, int& bad);
};
