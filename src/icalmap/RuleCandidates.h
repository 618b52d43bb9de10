// The calendar's own repeat rules that may yield an RRULE's occurrences exactly: the series
// CExactEntries tries first, before it checks them against the occurrences and patches what
// they miss. A candidate is a guess made cheap by that check, so a rule with no sensible
// candidate simply gets none (its occurrences become single entries).
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "ical/CivilTime.h"
#include "icalmap/ExactEntries.h"

class CRuleCandidates {
public:
    enum class EFrequency { Secondly, Minutely, Hourly, Daily, Weekly, Monthly, Yearly };

    // The parts of an RRULE (RFC 5545 section 3.3.10) that the candidates look at.
    struct SRule {
        EFrequency Frequency = EFrequency::Daily;
        int Interval = 1;
        // BYDAY: (ordinal, weekday 0 Monday .. 6 Sunday); ordinal 0 for a plain weekday.
        std::vector<std::pair<int, int>> ByDay;
        std::vector<int> ByMonthDay;
        std::uint32_t ByMonth = 0;  // bit m - 1 for month m; 0: no BYMONTH
        // BYSECOND, BYMINUTE, BYHOUR, BYYEARDAY, BYWEEKNO or BYSETPOS given.
        bool OtherParts = false;
        // BYSETPOS=-1 alone (not in OtherParts): the last day of the set, as publishers write
        // "the last weekday of the month".
        bool LastOfSet = false;
    };

    // Candidates for `rule` whose first occurrence falls, in the event's own zone, on weekday
    // `eventWeekday` (0 Monday .. 6 Sunday) and day of the month `eventMonthDay`, and in the
    // calendar's local time `dayShift` days later (-1, 0 or 1: the zones' difference moved
    // it across midnight). Weekday conditions and anchors are moved by the same days.
    static std::vector<CExactEntries::SCandidate> Build(const SRule& rule, int eventWeekday,
                                                        int eventMonthDay, int dayShift);

    // A rule that may yield `starts` (wall-clock seconds, sorted), for an event that lists its
    // occurrences in RDATE instead of giving a rule, as some publishers do: every week or
    // every few weeks on one weekday, the same day of every few months, or every few days on
    // the weekdays used. None for fewer than three starts or starts at different times of
    // day. Only a guess: the check of CExactEntries decides.
    static std::optional<SRule> Guess(const std::vector<IcalSeconds>& starts);
};
