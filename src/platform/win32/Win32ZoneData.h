// The system's time zones on Windows as TZif texts (CTzifText): the changes of each year from
// 1970 to the next by the rule Windows gives for that year (GetTimeZoneInformationForYear, the
// registry's dynamic time-zone data), then the last year's rule as the footer; IANA names
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
