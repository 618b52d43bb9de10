// A loaded event file as an RFC 5545 calendar: one VEVENT per date entry of both date-entry
// lists, whose recurrence expands to exactly the occurrences that the calendar computes.
//
// Each VEVENT carries UID (the GUID), DTSTAMP, SUMMARY (Description), DESCRIPTION (Notes),
// CATEGORIES (Category), COLOR (the nearest CSS3 keyword of BgColor, for a colour other than
// the calendar's default), DTSTART (the first
// occurrence), DTEND (DTSTART plus the occurrence length; in a zone, a length of a day or
// more, or a first occurrence across a change of offset, as a DURATION, whose days are
// calendar days; a whole-day entry as DATE values
// with DTEND the day after its last day; left out for an occurrence of length 0, and for
// one that ends before it starts, which RFC 5545 does not allow: a note says so), and a
// VALARM (ACTION:DISPLAY, TRIGGER the ForewarnSpan before the start) when Forewarn is set.
//
// Recurrence: the RRULE of CRuleMapping with UNTIL at the series' last start, and EXDATE for
// each dropped occurrence that the rule yields. The rule is checked against the calendar's
// own occurrences up to the horizon (CCheckedRule), 1 January of the fourth year after
// the export (for a series that starts later, after its start); where no single rule is
// exact, the occurrences up to the horizon are listed in RDATE instead, with a note unless
// the series ends before the horizon. An entry without any occurrence keeps its DTSTART,
// excluded again by an EXDATE.
//
// Times are the calendar's wall-clock times: floating by default, or local times of a zone
// (TZID, UNTIL in UTC) with that zone's VTIMEZONE. Texts are stored in the ANSI code page and
// written as UTF-8 (CPlatform::AnsiToUtf8).
#pragma once

#include <string>
#include <vector>

#include "datetime/DateTime.h"
#include "ical/CivilTime.h"

class CDateEntry;
class CEventData;
class CCheckedRule;
class CContentLineWriter;
class CTimeZone;

class CIcalExport {
public:
    // `now`: the local time of the export, which fixes the horizon; `stampUtc`: the same
    // instant in UTC, for DTSTAMP; `version`: the program's version for PRODID.
    CIcalExport(const CDateTime& now, const CCivilFields& stampUtc, std::string version);

    // Writes times in `zone` (named by its Name() in TZID) and `vtimezone`, the content lines
    // of its VTIMEZONE, after the calendar's properties. REQUIRES: `zone` outlives Write().
    void SetTimeZone(const CTimeZone& zone, std::string vtimezone);

    // The whole calendar as content lines (CRLF, folded, UTF-8).
    std::string Write(const CEventData& data);

    // One line per entry written with an RDATE list or left out, saying why; in entry order.
    const std::vector<std::string>& Notes() const { return m_notes; }

    // 1 January of the fourth year after `now`, 00:00:00.
    static CDateTime Horizon(const CDateTime& now);

private:
    void WriteEvent(CContentLineWriter& out, const CDateEntry& entry);
    // DTSTART, DTEND and the recurrence of `entry`; false when a time lies outside the years
    // 1 to 9999 that the format can write.
    bool WriteTimes(CContentLineWriter& out, const CDateEntry& entry);
    // The RRULE of a series that starts at `first`, and its EXDATEs.
    void WriteRule(CContentLineWriter& out, const CCheckedRule& checked, IcalSeconds first,
                   bool dateValued) const;
    void WriteAlarm(CContentLineWriter& out, const CDateEntry& entry, const std::string& summary);
    // A DATE value, or a DATE-TIME in the zone's local time or floating.
    std::string FormatTime(IcalSeconds localSeconds, bool dateValued) const;
    // Adds VALUE=DATE or TZID to the next line, as the value form needs.
    void AddTimeParams(CContentLineWriter& out, bool dateValued) const;
    void Note(const CDateEntry& entry, const std::string& text);

    CDateTime m_horizon;
    std::string m_stamp;
    std::string m_version;
    const CTimeZone* m_zone = nullptr;
    std::string m_vtimezone;
    std::vector<std::string> m_notes;
};
