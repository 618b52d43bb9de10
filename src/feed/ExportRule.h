// The recurrence rule (RFC 5545 RRULE) that an exported date entry carries, in the few forms
// that the calendar's repeat rules need, and its expansion, so that the exporter can compare
// what the rule yields with what the calendar computes.
//
// Times are wall-clock seconds from 0001-01-01T00:00:00 (CCivilTime), the same for DTSTART,
// UNTIL and the expanded starts. Every BY part is a limit on the candidates of the frequency
// except where noted; the forms:
//   HOURLY/DAILY/WEEKLY;INTERVAL=n   every n hours/days/weeks from DTSTART, limited by
//                                    BYMONTH, BYDAY (no ordinal), BYHOUR and BYMONTHDAY
//                                    (positive days only); WEEKLY takes no BY part.
//   MONTHLY/YEARLY;INTERVAL=n        every n months/years from DTSTART's month, at DTSTART's
//                                    time of day, on the days of the month that BYMONTHDAY
//                                    names (negative ones counted from the month's end; none:
//                                    DTSTART's day, skipped where the month lacks it) or on
//                                    the ordinal weekday of BYDAY (1..5 or -1 for the last),
//                                    limited by BYMONTH and a plain BYDAY; BYSETPOS=-1 keeps
//                                    the last day of each month's set. A YEARLY rule stays in
//                                    DTSTART's month.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ical/CivilTime.h"

class CExportRule {
public:
    enum class EFrequency { Hourly, Daily, Weekly, Monthly, Yearly };

    EFrequency Frequency = EFrequency::Daily;
    std::int64_t Interval = 1;
    // Bit m - 1 for month m; 0: no BYMONTH.
    std::uint32_t ByMonth = 0;
    // Bit 0 Monday .. bit 6 Sunday; 0: no plain BYDAY.
    std::uint32_t ByDay = 0;
    // Bit h for hour h; 0: no BYHOUR.
    std::uint32_t ByHour = 0;
    // BYMONTHDAY, in the order written.
    std::vector<int> ByMonthDay;
    // An ordinal BYDAY of a MONTHLY rule: OrdinalWeekday (0 Monday .. 6 Sunday) on its
    // Ordinal-th (1..5, -1 the last) occurrence in the month; Ordinal 0: none.
    int Ordinal = 0;
    int OrdinalWeekday = 0;
    bool BySetPosLast = false;
    // The last start the rule may yield.
    std::optional<IcalSeconds> Until;

    // The RRULE value, parts in the order FREQ, INTERVAL (when above 1), BYMONTH, BYMONTHDAY,
    // BYDAY, BYHOUR, BYSETPOS, UNTIL; `untilText` is the UNTIL value in the form DTSTART
    // needs (DATE, floating or UTC), written when Until is set.
    std::string ToText(const std::string& untilText) const;

    // Appends to `starts`, in order, the starts that the rule yields from `dtstart` (which
    // REQUIRES to be one of them) up to but excluding `horizon`, and no later than Until.
    // False, with what was found so far, once `most` starts have been appended or as many
    // candidates have been looked at without reaching the horizon.
    bool Expand(IcalSeconds dtstart, IcalSeconds horizon, std::size_t most,
                std::vector<IcalSeconds>& starts) const;

private:
    bool ExpandFixedStep(IcalSeconds dtstart, IcalSeconds end, std::size_t most,
                         std::vector<IcalSeconds>& starts) const;
    bool ExpandMonths(IcalSeconds dtstart, IcalSeconds end, std::size_t most,
                      std::vector<IcalSeconds>& starts) const;
    // The days of one month that the rule yields, in order.
    std::vector<int> DaysOfMonth(int year, int month, int dtstartDay) const;
};
