// A time zone of the system's zone data: the TZif format of RFC 8536 (the zoneinfo files of
// Linux, Debian's tzdata), its transitions and the POSIX TZ rule of its footer for the
// instants after the last one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ical/TimeZone.h"

class CTzifZone : public CTimeZone {
public:
    // One change of the offset: from `utcSeconds` on, `offset` (seconds east of UTC) is in
    // force, named `abbreviation`, daylight-saving time when `daylight`.
    struct STransition {
        IcalSeconds utcSeconds = 0;
        int offset = 0;
        bool daylight = false;
        std::string abbreviation;
    };

    // The zone `name` from the bytes of its TZif file (version 1, or the 64-bit data of
    // versions 2 and later, with the footer's rule); nullptr for bytes that are no TZif data.
    static std::unique_ptr<CTzifZone> Parse(std::string name, std::string_view bytes);

    int OffsetAtUtc(IcalSeconds utcSeconds) const override;
    std::string Name() const override { return m_name; }

    // Every change of the offset in [fromUtc, toUtc), the table's and then the footer rule's,
    // in order; the offset before the first of them is OffsetAtUtc(fromUtc - 1).
    std::vector<STransition> Transitions(IcalSeconds fromUtc, IcalSeconds toUtc) const;

    // The footer's yearly rule, when the zone keeps daylight-saving time by one: each of its
    // two changes as RRULE parts (the month, the ordinal 1..4 or -1 for the last, the weekday
    // 0 Monday .. 6 Sunday, the local time of day in the offset before the change), in
    // False when there is none, or a change falls outside its day (a time below 0 or from
    // 24:00 on).
    struct SYearlyChange {
        int month = 0;
        int ordinal = 0;
        int weekday = 0;
        int timeOfDay = 0;
    };
    bool YearlyChanges(SYearlyChange& toDaylight, SYearlyChange& toStandard) const;
    // The changes of the footer rule in `year`, in order (none without daylight time).
    std::vector<STransition> FooterTransitions(int year) const;
    // The last change of the table; the footer rules after it.
    IcalSeconds TableEnd() const;

private:
    // A rule of the footer: "Mm.w.d/time": the d-th weekday (0 Sunday) of week w (5: the
    // last) of month m, at `time` seconds of local time in the offset before the change.
    struct SRuleDate {
        int month = 0;
        int week = 0;
        int weekday = 0;
        int time = 7200;
    };
    struct SFooter {
        bool valid = false;
        std::string standardName;
        int standardOffset = 0;
        bool daylight = false;
        std::string daylightName;
        int daylightOffset = 0;
        SRuleDate start;  // into daylight time
        SRuleDate end;    // back to standard time
    };

    // The footer rule's changes after the table, listed once up to this year for a binary
    // search; later instants work the rule out for their year.
    static constexpr int kFirstListedYear = 1900;
    static constexpr int kLastListedYear = 2200;
    struct SOffsetChange {
        IcalSeconds utcSeconds = 0;
        int offset = 0;
    };

    static bool ParseFooter(std::string_view text, SFooter& footer);
    void ListRuleChanges();

    std::string m_name;
    std::vector<STransition> m_table;
    STransition m_beforeTable;  // the zone before its first transition
    SFooter m_footer;
    std::vector<SOffsetChange> m_ruleChanges;  // by time
    // m_ruleChanges answers for the instants in [m_ruleChangesBegin, m_ruleChangesEnd).
    IcalSeconds m_ruleChangesBegin = 0;
    IcalSeconds m_ruleChangesEnd = 0;
};
