// The system's time zones on Windows as TZif texts (CTzifText): the zone's rule for the
// current year from the registry's time-zone data (GetTimeZoneInformationForYear), IANA names
// mapped to Windows zone names through CLDR's table.
#pragma once

#include <string>

class CWin32ZoneData {
public:
    // `name`: an IANA name CLDR maps, or a Windows zone name. False for an unknown zone.
    static bool Read(const std::string& name, std::string& tzif);
    // The zone the machine's clock is set to.
    static bool ReadLocal(std::string& tzif);
};
