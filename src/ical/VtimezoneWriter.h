// The VTIMEZONE component (RFC 5545 section 3.6.5) of a zone of the system's zone data, so
// that a reader of an export needs no zone data of its own.
#pragma once

#include <string>

#include "ical/CivilTime.h"

class CTzifZone;

class CVtimezoneWriter {
public:
    // Content lines BEGIN:VTIMEZONE .. END:VTIMEZONE with TZID = the zone's name: one
    // STANDARD component for the offset in force at `fromUtc` and one STANDARD or DAYLIGHT
    // component for each change of offset after it. Where the zone keeps daylight time by a
    // yearly rule (the n-th or last weekday of a month), the changes from the year on which
    // its data follows that rule are two components with the yearly RRULE, for all later
    // years; otherwise the changes are listed up to `toUtc`.
    static std::string Write(const CTzifZone& zone, IcalSeconds fromUtc, IcalSeconds toUtc);
};
