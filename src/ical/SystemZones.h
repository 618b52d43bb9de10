// Zones of the system's zone data, found by the names publishers write in TZID: IANA names
// ("Europe/Berlin"), with the prefixes some programs put before them
// ("/mozilla.org/20050126_1/Europe/Berlin", quotes), and Windows zone names ("W. Europe
// Standard Time", mapped through CLDR's table); and the machine's local zone.
#pragma once

#include <memory>
#include <string_view>

#include "ical/TimeZone.h"

class CPlatform;

class CSystemZones {
public:
    // The zone named by `tzid`, or nullptr when the system knows none by that name.
    static std::unique_ptr<CTimeZone> Find(CPlatform& platform, std::string_view tzid);
    // The machine's local zone; UTC when the system's data for it cannot be read.
    static std::unique_ptr<CTimeZone> Local(CPlatform& platform);
};
