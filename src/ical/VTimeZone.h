// A zone defined by a VTIMEZONE component (RFC 5545 section 3.6.5): its STANDARD and DAYLIGHT
// observances, each an onset (DTSTART, a wall-clock time in TZOFFSETFROM) repeated by RRULE
// and RDATE, switching to TZOFFSETTO. Before the earliest onset the earliest observance's
// TZOFFSETFROM holds.
//
// The onsets are worked out once into a table that reaches 400 years past the last date the
// component names (DTSTART, RDATE, UNTIL) and at least to the year kLeastTableYear. When every
// rule is yearly without COUNT or INTERVAL, the zone repeats itself every 400 years (the
// Gregorian cycle: 146,097 days, a whole number of weeks), so a later instant is answered from
// the table's last 400 years; otherwise the table reaches the year 9999. Either way an offset
// is one binary search. One observance brings at most kMostOnsets onsets; a rule that would
// bring more (FREQ=SECONDLY in a hostile file) is cut there and reported.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ical/IcalComponent.h"
#include "ical/TimeZone.h"

class CVTimeZone : public CTimeZone {
public:
    static constexpr int kLeastTableYear = 2200;
    static constexpr int kMostOnsets = 20000;

    CVTimeZone() = default;

    // A zone from `component` (a VTIMEZONE); nullptr when it has no TZID or no observance
    // that can be read. Observances and rules that cannot be read, and rules cut at
    // kMostOnsets, are named in `problems` (when not null); the rest of the zone is kept.
    static std::unique_ptr<CVTimeZone> FromComponent(const CIcalComponent& component,
                                                     std::vector<std::string>* problems);

    // Any instant of the years 1 to 9999.
    int OffsetAtUtc(IcalSeconds utcSeconds) const override;
    std::string Name() const override { return m_Name; }

    // Whether the component says what holds at that instant: from its earliest onset on, and
    // when none of its rules goes on for ever (publishers often cut the component to the few
    // years they need) no later than its last onset.
    bool Covers(IcalSeconds utcSeconds) const;
    // The zone that answers for the instants the component does not cover (the system's
    // zone of the same name); without one the component's nearest offset is carried on.
    void SetOutsideZone(std::unique_ptr<CTimeZone> zone) { m_Outside = std::move(zone); }
    bool HasOutsideZone() const { return m_Outside != nullptr; }

private:
    struct STransition {
        IcalSeconds utc;
        int offsetAfter;
    };

    std::string m_Name;
    int m_OffsetBefore = 0;
    std::vector<STransition> m_Transitions;  // by utc, increasing
    // Instants from here on repeat those 400 years earlier; none when the zone is not periodic.
    IcalSeconds m_PeriodicFrom = 0;
    bool m_Periodic = false;
    IcalSeconds m_CoveredFrom = 0;
    IcalSeconds m_CoveredTo = 0;
    bool m_OpenEnded = false;
    std::unique_ptr<CTimeZone> m_Outside;
};
