#include "icalmap/IcalExport.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "datetime/DateTimeRange.h"
#include "ical/ContentLineWriter.h"
#include "ical/CssColor.h"
#include "ical/TimeZone.h"
#include "icalmap/CheckedRule.h"
#include "icalmap/RuleMapping.h"
#include "platform/Platform.h"
#include "store/DateEntry.h"
#include "store/EventData.h"

namespace {

constexpr IcalSeconds kSecondsPerDay = CCivilTime::kSecondsPerDay;

bool CanWrite(IcalSeconds localSeconds) {
    const int year = CCivilTime::FromSeconds(localSeconds).year;
    return year >= 1 && year <= 9999;
}

std::string FormatFields(const CCivilFields& f, bool dateOnly) {
    char text[32];
    if (dateOnly) {
        std::snprintf(text, sizeof text, "%04d%02d%02d", f.year, f.month, f.day);
    } else {
        std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", f.year, f.month, f.day,
                      f.hour, f.minute, f.second);
    }
    return text;
}

// A DURATION value of whole days and the time beyond them, "P2DT3H15M".
std::string Duration(std::int64_t seconds) {
    std::string text = "P" + std::to_string(seconds / kSecondsPerDay) + "D";
    const std::int64_t rest = seconds % kSecondsPerDay;
    if (rest == 0) return text;
    text += "T";
    if (rest >= 3600) text += std::to_string(rest / 3600) + "H";
    if (rest % 3600 >= 60) text += std::to_string(rest % 3600 / 60) + "M";
    if (rest % 60 != 0) text += std::to_string(rest % 60) + "S";
    return text;
}

// The trigger of the reminder: ForewarnSpan units before the start, in the unit the entry
// names (a negative span reminds after the start; an unknown unit at the start).
std::string Trigger(const DateEntryProperties& p) {
    static constexpr const char* kUnits[] = {"M", "H", "D", "W"};
    const bool knownUnit = p.ForewarnUnit >= kSpanUnitMinutes && p.ForewarnUnit <= kSpanUnitWeeks;
    const std::int64_t span = knownUnit ? p.ForewarnSpan : 0;
    if (span == 0) return "PT0S";
    std::string text = span > 0 ? "-P" : "P";
    if (p.ForewarnUnit <= kSpanUnitHours) text += "T";
    text += std::to_string(span > 0 ? span : -span);
    text += kUnits[p.ForewarnUnit];
    return text;
}

}  // namespace

CIcalExport::CIcalExport(const CDateTime& now, const CCivilFields& stampUtc, std::string version)
    : m_horizon(Horizon(now)),
      m_stamp(FormatFields(stampUtc, false) + "Z"),
      m_version(std::move(version)) {}

CDateTime CIcalExport::Horizon(const CDateTime& now) {
    return CDateTime(now.GetYear() + 4, 1, 1);
}

void CIcalExport::SetTimeZone(const CTimeZone& zone, std::string vtimezone) {
    m_zone = &zone;
    m_vtimezone = std::move(vtimezone);
}

std::string CIcalExport::Write(const CEventData& data) {
    m_notes.clear();
    CContentLineWriter out;
    out.Line("BEGIN", "VCALENDAR");
    out.Line("VERSION", "2.0");
    out.Line("PRODID", "-//ZelvaroFeed//ZelvaroFeed " + m_version + "//EN");
    out.Line("CALSCALE", "GREGORIAN");
    out.AppendLines(m_vtimezone);
    for (const CDateEntryArray* list : {&data.DateEntries1, &data.DateEntries2}) {
        for (const CDateEntry& entry : *list) WriteEvent(out, entry);
    }
    out.Line("END", "VCALENDAR");
    return out.TakeText();
}

void CIcalExport::WriteEvent(CContentLineWriter& out, const CDateEntry& entry) {
    const DateEntryProperties& p = entry.Properties;
    CPlatform& platform = CPlatform::Current();
    CContentLineWriter event;
    event.Line("BEGIN", "VEVENT");
    event.Line("UID", CContentLineWriter::EscapeText(platform.AnsiToUtf8(p.GUID.ToString())));
    event.Line("DTSTAMP", m_stamp);
    const std::string summary = platform.AnsiToUtf8(p.Description.ToString());
    if (!summary.empty()) event.Line("SUMMARY", CContentLineWriter::EscapeText(summary));
    if (!p.Notes.empty()) {
        event.Line("DESCRIPTION",
                   CContentLineWriter::EscapeText(platform.AnsiToUtf8(p.Notes.ToString())));
    }
    if (!p.Category.empty()) {
        event.Line("CATEGORIES",
                   CContentLineWriter::EscapeText(platform.AnsiToUtf8(p.Category.ToString())));
    }
    if (p.BgColor != DateEntryProperties().BgColor) {
        // The calendar's default colour is no choice of the user's: a reader keeps its own.
        const std::uint32_t bgr = static_cast<std::uint32_t>(p.BgColor);
        const std::uint32_t rgb = ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
        event.Line("COLOR", CCssColor::NearestName(rgb));
    }
    if (!WriteTimes(event, entry)) return;
    if (p.Forewarn != 0) WriteAlarm(event, entry, summary);
    event.Line("END", "VEVENT");
    // The event is complete: only now does it join the calendar.
    out.AppendLines(event.Text());
}

bool CIcalExport::WriteTimes(CContentLineWriter& out, const CDateEntry& entry) {
    const DateEntryProperties& p = entry.Properties;
    const std::int64_t duration = entry.GetDuration().GetTotalSeconds();
    const CDateTime seriesStart = entry.GetSeriesStart();
    // A series that starts beyond the export's horizon is checked over its own first years.
    const CDateTime horizon = std::max(m_horizon, Horizon(seriesStart));
    const CCheckedRule checked(entry, horizon);
    const std::vector<IcalSeconds>& occurrences = checked.Occurrences();

    // A whole-day entry keeps DATE values unless it repeats by hours that are no whole days.
    const bool series = CRuleMapping::IsSeries(p);
    const std::int64_t periodHours = p.RepeatUnit == kRepeatUnitWeeks  ? 168
                                     : p.RepeatUnit == kRepeatUnitDays ? 24
                                                                       : 1;
    const bool byOddHours = series && p.Repeat == kRepeatEvery &&
                            p.RepeatUnit <= kRepeatUnitWeeks &&
                            (std::int64_t{p.RepeatRate} * periodHours) % 24 != 0;
    const bool dateValued = p.ShowStartTime == 0 && !byOddHours;

    const IcalSeconds first =
        occurrences.empty() ? CCheckedRule::ToLocal(seriesStart) : occurrences.front();
    const IcalSeconds firstEnd = first + duration;
    if (!CanWrite(first) || !CanWrite(firstEnd) || !CanWrite(first + kSecondsPerDay)) {
        Note(entry, "left out: its start or end lies outside the years 1 to 9999");
        return false;
    }
    AddTimeParams(out, dateValued);
    out.Line("DTSTART", FormatTime(first, dateValued));
    if (duration < 0) {
        Note(entry,
             "its occurrences end before they start, which iCalendar cannot say: "
             "written without DTEND");
    } else if (dateValued) {
        // The day after the last day; whole-day occurrences end at 23:59:59.
        AddTimeParams(out, true);
        out.Line("DTEND", FormatTime(firstEnd + 1, true));
    } else if (m_zone != nullptr && (duration >= kSecondsPerDay ||
                                     m_zone->OffsetAtUtc(m_zone->UtcFromLocal(first)) !=
                                         m_zone->OffsetAtUtc(m_zone->UtcFromLocal(firstEnd)))) {
        // The calendar's lengths are wall-clock lengths. In a zone with daylight time the
        // time between DTSTART and DTEND would give every occurrence the elapsed length of
        // the first, an hour off where that one spans a change; a DURATION counts whole days
        // as calendar days (RFC 5545 section 3.3.6) and its hours as hours.
        out.Line("DURATION", Duration(duration));
    } else if (duration != 0) {
        AddTimeParams(out, false);
        out.Line("DTEND", FormatTime(firstEnd, false));
    }

    if (occurrences.empty()) {
        AddTimeParams(out, dateValued);
        out.Line("EXDATE", FormatTime(first, dateValued));
        return true;
    }
    if (!series && occurrences.size() == 1) return true;
    if (checked.Rule()) {
        WriteRule(out, checked, first, dateValued);
        return true;
    }
    for (std::size_t i = 1; i < occurrences.size(); ++i) {
        if (!CanWrite(occurrences[i])) break;
        AddTimeParams(out, dateValued);
        out.Line("RDATE", FormatTime(occurrences[i], dateValued));
    }
    // A series that ends before the horizon is listed whole, and exactly.
    const std::optional<IcalSeconds>& until = checked.Until();
    if (checked.IsWhole() && until && *until < CCheckedRule::ToLocal(horizon)) return true;
    Note(entry,
         "no single RRULE is exact: " + std::to_string(occurrences.size()) +
             " occurrences listed up to " + horizon.Format("%Y-%m-%d") +
             (checked.IsWhole() ? ""
                                : " (after the first, only the last " +
                                      std::to_string(CCheckedRule::kMostOccurrencesChecked) + ")"));
    return true;
}

void CIcalExport::WriteRule(CContentLineWriter& out, const CCheckedRule& checked, IcalSeconds first,
                            bool dateValued) const {
    CRecurrenceRule rule = *checked.Rule();
    const std::optional<IcalSeconds>& last = checked.Until();
    // Past the year 9999 the format has no value: such a series is written without end.
    if (last && CanWrite(*last) && m_zone != nullptr && !dateValued) {
        IcalSeconds until = m_zone->UtcFromLocal(*last);
        // Some readers (python-dateutil with pytz zones) give every occurrence the UTC offset
        // of DTSTART before they compare it with UNTIL. The later of the two readings of the
        // last start still ends the series there when the next start could not come before
        // it in either reading: the next starts `spacing` or more later on the wall clock.
        const std::int64_t spacing =
            rule.freq == EFrequency::Hourly
                ? std::int64_t{rule.interval} * 3600
                : (rule.freq == EFrequency::Daily ? rule.interval : 1) * kSecondsPerDay;
        const int firstOffset = m_zone->OffsetAtUtc(m_zone->UtcFromLocal(first));
        const IcalSeconds misread = std::max(until, *last - firstOffset);
        const IcalSeconds next = *last + spacing;
        if (misread < m_zone->UtcFromLocal(next) && misread < next - firstOffset) until = misread;
        rule.until = CRuleUntil{CCivilTime::FromSeconds(until), false, true};
    } else if (last && CanWrite(*last)) {
        rule.until = CRuleUntil{CCivilTime::FromSeconds(*last), dateValued, false};
    }
    out.Line("RRULE", rule.ToText());
    for (const IcalSeconds t : checked.Excluded()) {
        if (!CanWrite(t)) break;
        AddTimeParams(out, dateValued);
        out.Line("EXDATE", FormatTime(t, dateValued));
    }
}

void CIcalExport::WriteAlarm(CContentLineWriter& out, const CDateEntry& entry,
                             const std::string& summary) {
    out.Line("BEGIN", "VALARM");
    out.Line("ACTION", "DISPLAY");
    out.Line("DESCRIPTION", CContentLineWriter::EscapeText(summary.empty() ? "Reminder" : summary));
    out.Line("TRIGGER", Trigger(entry.Properties));
    out.Line("END", "VALARM");
}

std::string CIcalExport::FormatTime(IcalSeconds localSeconds, bool dateValued) const {
    return FormatFields(CCivilTime::FromSeconds(localSeconds), dateValued);
}

void CIcalExport::AddTimeParams(CContentLineWriter& out, bool dateValued) const {
    if (dateValued) {
        out.Param("VALUE", "DATE");
    } else if (m_zone != nullptr) {
        out.Param("TZID", m_zone->Name());
    }
}

void CIcalExport::Note(const CDateEntry& entry, const std::string& text) {
    m_notes.push_back("entry " + entry.Properties.GUID.ToString() + " \"" +
                      CPlatform::Current().AnsiToUtf8(entry.Properties.Description.ToString()) +
                      "\": " + text);
}
