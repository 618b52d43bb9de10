// A recurrence rule (RRULE, RFC 5545 section 3.3.10) as parsed values.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ical/CivilTime.h"

enum class EFrequency { Secondly, Minutely, Hourly, Daily, Weekly, Monthly, Yearly };

struct CWeekdayNum {
    int ordinal = 0;  // 0: every such weekday of the period; else ±1..±53
    int weekday = 0;  // 0 = Monday .. 6 = Sunday
    bool operator==(const CWeekdayNum&) const = default;
};

struct CRuleUntil {
    CCivilFields fields;
    bool isDate = false;  // UNTIL=YYYYMMDD: that whole day is included
    bool isUtc = false;   // UNTIL=...Z: compared with the occurrence's UTC instant
};

class CRecurrenceRule {
public:
    EFrequency freq = EFrequency::Daily;
    int interval = 1;
    std::optional<long long> count;
    std::optional<CRuleUntil> until;
    std::vector<int> bySecond, byMinute, byHour;
    std::vector<CWeekdayNum> byDay;
    std::vector<int> byMonthDay, byYearDay, byWeekNo, byMonth, bySetPos;
    int wkst = 0;  // Monday

    // Parses "FREQ=WEEKLY;BYDAY=MO,WE;..." as publishers write it: names in any case, a
    // trailing ';' or blanks allowed, unknown parts (X-..., RSCALE, SKIP) passed over and
    // named in `problem`. False when FREQ is missing or a known part has a value out of range
    // (the rule is then unusable; `problem` says why).
    static bool Parse(std::string_view text, CRecurrenceRule& rule, std::string* problem);

    // The canonical text: FREQ first, then INTERVAL (when not 1), COUNT or UNTIL, the BY
    // parts in RFC order, WKST when not Monday.
    std::string ToText() const;
};
