// A time zone as the iCalendar code needs it, whatever it came from (a VTIMEZONE in the file,
// the system's zone data, a fixed offset): the offset in force at an instant, and the instant
// of a wall-clock time. Offsets are seconds east of UTC.
#pragma once

#include <string>

#include "ical/CivilTime.h"

class CTimeZone {
public:
    CTimeZone() = default;
    CTimeZone(const CTimeZone&) = delete;
    CTimeZone& operator=(const CTimeZone&) = delete;
    virtual ~CTimeZone() = default;

    // Offset from UTC in force at the UTC instant.
    virtual int OffsetAtUtc(IcalSeconds utcSeconds) const = 0;

    // The UTC instant of a wall-clock time in this zone. A time that falls into a gap (clocks
    // set forward) is read with the offset before the gap, so 02:30 on a spring-forward night
    // at 02:00 becomes 03:30 local; a time that occurs twice (clocks set back) is its first
    // occurrence. This is what RFC 5545 section 3.3.5 asks and what common clients do.
    // The default works from OffsetAtUtc alone.
    virtual IcalSeconds UtcFromLocal(IcalSeconds localSeconds) const;

    IcalSeconds LocalFromUtc(IcalSeconds utcSeconds) const {
        return utcSeconds + OffsetAtUtc(utcSeconds);
    }

    // The zone's name as its source gives it (TZID, IANA name), for reports.
    virtual std::string Name() const = 0;
};
