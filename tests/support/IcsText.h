// iCalendar texts for tests of a whole calendar's feed.
#pragma once

#include <string>
#include <vector>

class CIcsText {
public:
    // A calendar with one event per UID, on 1 May 2024 at 09:00 UTC, its summary the UID.
    static std::string Calendar(const std::vector<std::string>& uids);
};
