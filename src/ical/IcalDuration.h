// DURATION values (RFC 5545 section 3.3.6): days (nominal: a day is the same wall-clock time
// on the next date, whatever the zone does) and seconds (exact) kept apart, with a sign.
#pragma once

#include <cstdint>
#include <string_view>

class CIcalDuration {
public:
    std::int64_t days = 0;     // weeks count 7 days; negative for a negative duration
    std::int64_t seconds = 0;  // hours, minutes and seconds; same sign as days

    // "[+-]P[nW]" or "[+-]P[nD][T[nH][nM][nS]]"; false for anything else (also for "P").
    static bool Parse(std::string_view text, CIcalDuration& value);
    std::int64_t TotalSeconds() const { return days * 86400 + seconds; }
};

// A UTC-OFFSET value "+HHMM" or "-HHMMSS"; false for anything else. Seconds east of UTC.
bool ParseUtcOffset(std::string_view text, int& seconds);
