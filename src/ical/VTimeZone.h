// A zone defined by a VTIMEZONE component (RFC 5545 section 3.6.5): its STANDARD and DAYLIGHT
// observances, each an onset (DTSTART, a wall-clock time in TZOFFSETFROM) repeated by RRULE
// and RDATE, switching to TZOFFSETTO. The onsets are worked out once, from the earliest
// observance up to the year kLastYear; later instants keep the last offset, earlier ones the
// earliest observance's TZOFFSETFROM.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ical/IcalComponent.h"
#include "ical/TimeZone.h"

class CVTimeZone : public CTimeZone {
public:
    static constexpr int kLastYear = 2200;

    CVTimeZone() = default;

    // A zone from `component` (a VTIMEZONE); nullptr when it has no TZID or no observance
    // that can be read. Observances that cannot be read are left out and named in `problems`.
    static std::unique_ptr<CVTimeZone> FromComponent(const CIcalComponent& component,
                                                     std::vector<std::string>* problems);

    int OffsetAtUtc(IcalSeconds utcSeconds) const override;
    std::string Name() const override { return m_Name; }

private:
    struct STransition {
        IcalSeconds utc;
        int offsetAfter;
    };

    std::string m_Name;
    int m_OffsetBefore = 0;
    std::vector<STransition> m_Transitions;  // by utc, increasing
};
