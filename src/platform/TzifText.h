// Helpers for the zone data the platform hands out in the TZif form (RFC 8536), whatever the
// system keeps: a name check for zone names that come from files, and a TZif text that holds
// no transitions, only a POSIX TZ rule in its footer (for systems without zoneinfo files and
// for a TZ variable that is a rule, like "EST5EDT,M3.2.0,M11.1.0").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CTzifText {
public:
    // True for a plain zone name such as "Europe/Berlin", "Etc/GMT+5" or "UTC": letters,
    // digits and '_', '-', '+', '/'; not empty, no '..' part, no leading '/', at most 64
    // characters. A TZID of a file is checked with it before any file is opened.
    static bool IsZoneName(std::string_view name);

    // A change of a zone's offset: from `unixSeconds` (seconds since 1970-01-01T00:00:00 UTC)
    // on, `offset` seconds east of UTC, daylight-saving time when `daylight`.
    struct SChange {
        std::int64_t unixSeconds = 0;
        int offset = 0;
        bool daylight = false;
    };

    // A version-2 TZif text with no transitions whose footer is `posixRule`.
    static std::string FromPosixRule(std::string_view posixRule);
    // A version-2 TZif text: `initialOffset` (standard time) before the first of `changes`,
    // the changes, and `posixRule` after the last. REQUIRES: `changes` in time order.
    // Abbreviations are "STD" and "DST", as the rule names them.
    static std::string FromChanges(int initialOffset, const std::vector<SChange>& changes,
                                   std::string_view posixRule);
};
