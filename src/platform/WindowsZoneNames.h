// The names of time zones in both systems: IANA names (the zoneinfo database, iCalendar files
// from most publishers) and Windows zone names (Windows, and the TZIDs of Outlook and
// Exchange), as CLDR's windowsZones table maps them.
#pragma once

#include <string_view>

class CWindowsZoneNames {
public:
    struct SPair {
        const char* iana;
        const char* windows;
    };

    // The Windows zone of an IANA name ("Europe/Berlin" -> "W. Europe Standard Time");
    // nullptr when CLDR has none.
    static const char* WindowsOf(std::string_view iana);
    // The main IANA zone of a Windows zone name; nullptr when it is none.
    static const char* IanaOf(std::string_view windows);
};
