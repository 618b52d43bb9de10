#include "feed/IcalExport.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>

#include "datetime/DateTimeRange.h"
#include "feed/ExportRule.h"
#include "feed/RuleMapping.h"
#include "ical/ContentLineWriter.h"
#include "ical/CssColor.h"
#include "ical/TimeZone.h"
#include "platform/Platform.h"
#include "store/Agenda.h"
#include "store/DateEntry.h"
#include "store/EventData.h"

namespace {

// Bounds on the work for one entry: an hourly series from 1990 to the horizon has some
// 350,000 occurrences. A longer one is checked over its last stretch before the horizon only.
constexpr std::int64_t kMostOccurrencesChecked = 400000;
constexpr std::size_t kMostCandidatesExpanded = 8000000;

constexpr IcalSeconds kSecondsPerDay = CCivilTime::kSecondsPerDay;

// Wall-clock seconds of the iCalendar code from a date-time of the calendar (day 1 is
// 0001-01-01 in both).
IcalSeconds ToLocal(const CDateTime& value) {
    return CDateTimeRange::ToSeconds(value) - kSecondsPerDay;
}

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

// Whether `t` starts an occurrence of `entry`'s rule and conditions, dropped occurrences and
// the end of the series aside.
bool IsRuleOccurrence(const CDateEntry& entry, const CDateTime& t) {
    CDateEntry bare(entry);
    bare.DroppedOccurrences.RemoveAll();
    bare.Properties.RepeatEnd = kRepeatEndNever;
    bare.SeriesEndKnown = 0;
    CDateTime start;
    CDateTime end;
    bool found = bare.FindFirstOccurrence(t, t, start, end);
    while (found && start < t) found = bare.FindNextOccurrence(t, t, start, end);
    return found && start == t;
}

// The start of the last occurrence of a series that ends after a count, when the calendar
// reaches that count.
std::optional<IcalSeconds> LastCountedStart(const CDateEntry& entry) {
    CDateEntry counted(entry);
    counted.SeriesEndKnown = 0;
    counted.CountOccurrencesUntil(CDateTimeRange::Last());
    if (counted.SeriesEndKnown == 0) return std::nullopt;
    return ToLocal(counted.SeriesEnd) - counted.GetDuration().GetTotalSeconds();
}

// The calendar's occurrences of `entry` (CAgenda::Collect, as the agenda lists them) from
// the series start up to `horizon`; false when a series by hours would have more than
// kMostOccurrencesChecked and only its last ones are listed.
bool CalendarOccurrences(const CDateEntry& entry, const CDateTime& seriesStart,
                         const CDateTime& horizon, std::vector<CDateTime>& starts) {
    const DateEntryProperties& p = entry.Properties;
    const std::int64_t duration = entry.GetDuration().GetTotalSeconds();
    // Early enough that the first query meets the first occurrence also when it ends before
    // it starts.
    CDateTime from = CDateTimeRange::AddClamped(seriesStart, std::min<std::int64_t>(duration, 0));
    bool whole = true;
    if (CRuleMapping::IsSeries(p) && p.Repeat == kRepeatEvery && p.RepeatUnit <= kRepeatUnitWeeks) {
        const std::int64_t hours = p.RepeatUnit == kRepeatUnitWeeks  ? 168
                                   : p.RepeatUnit == kRepeatUnitDays ? 24
                                                                     : 1;
        const std::int64_t period = std::int64_t{p.RepeatRate} * hours * 3600;
        const std::int64_t span =
            CDateTimeRange::ToSeconds(horizon) - CDateTimeRange::ToSeconds(from);
        if (span / period > kMostOccurrencesChecked) {
            from = CDateTimeRange::AddClamped(horizon, -kMostOccurrencesChecked * period);
            whole = false;
        }
    }
    CDateTime to;
    if (!CDateTimeRange::TryAdd(horizon, -1, to)) return whole;
    std::vector<CDateTime> ends;
    CAgenda::Collect(entry, from, to, starts, ends);
    return whole;
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
    event.Line("UID", CContentLineWriter::EscapeText(platform.AnsiToUtf8(p.GUID)));
    event.Line("DTSTAMP", m_stamp);
    const std::string summary = platform.AnsiToUtf8(p.Description);
    if (!summary.empty()) event.Line("SUMMARY", CContentLineWriter::EscapeText(summary));
    if (!p.Notes.empty()) {
        event.Line("DESCRIPTION", CContentLineWriter::EscapeText(platform.AnsiToUtf8(p.Notes)));
    }
    if (!p.Category.empty()) {
        event.Line("CATEGORIES", CContentLineWriter::EscapeText(platform.AnsiToUtf8(p.Category)));
    }
    const std::uint32_t bgr = static_cast<std::uint32_t>(p.BgColor);
    const std::uint32_t rgb = ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
    event.Line("COLOR", CCssColor::NearestName(rgb));
    if (!WriteTimes(event, entry)) return;
    if (p.Forewarn != 0) WriteAlarm(event, entry, summary);
    event.Line("END", "VEVENT");
    // The event is complete: only now does it join the calendar.
    out.AppendLines(event.Text());
}

bool CIcalExport::WriteTimes(CContentLineWriter& out, const CDateEntry& entry) {
    const DateEntryProperties& p = entry.Properties;
    const std::int64_t duration = entry.GetDuration().GetTotalSeconds();
    CDateTime seriesStart = p.StartDate;
    if (p.ShowStartTime == 0) seriesStart.SetTime(0, 0, 0);

    // A series that starts beyond the export's horizon is checked over its own first years.
    const CDateTime horizon = std::max(m_horizon, Horizon(seriesStart));
    std::vector<CDateTime> found;
    const bool complete = CalendarOccurrences(entry, seriesStart, horizon, found);
    std::vector<IcalSeconds> occurrences;
    if (!complete) {
        // The list holds the last ones only: the first comes from the series' first year.
        std::vector<CDateTime> early;
        CalendarOccurrences(entry, seriesStart, Horizon(seriesStart), early);
        if (!early.empty()) occurrences.push_back(ToLocal(early.front()));
    }
    occurrences.reserve(occurrences.size() + found.size());
    for (const CDateTime& start : found) {
        if (occurrences.empty() || ToLocal(start) > occurrences.back()) {
            occurrences.push_back(ToLocal(start));
        }
    }

    const bool series = CRuleMapping::IsSeries(p);
    // A whole-day entry keeps DATE values unless it repeats by hours that are no whole days.
    const std::int64_t periodHours = p.RepeatUnit == kRepeatUnitWeeks  ? 168
                                     : p.RepeatUnit == kRepeatUnitDays ? 24
                                                                       : 1;
    const bool byOddHours = series && p.Repeat == kRepeatEvery &&
                            p.RepeatUnit <= kRepeatUnitWeeks &&
                            (std::int64_t{p.RepeatRate} * periodHours) % 24 != 0;
    const bool dateValued = p.ShowStartTime == 0 && !byOddHours;

    const IcalSeconds first = occurrences.empty() ? ToLocal(seriesStart) : occurrences.front();
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

    std::optional<IcalSeconds> until;
    if (p.RepeatEnd == kRepeatEndAfterCount) {
        until = LastCountedStart(entry);
    } else if (p.RepeatEnd == kRepeatEndAtDate) {
        until = ToLocal(p.RepeatEndDate);
    }
    std::optional<CExportRule> rule = CRuleMapping::Build(p, first);
    std::vector<IcalSeconds> excluded;
    if (rule) {
        rule->Until = until;
        if (rule->Until && !CanWrite(*rule->Until)) rule->Until.reset();
        std::vector<IcalSeconds> expanded;
        rule->Expand(first, ToLocal(horizon), kMostCandidatesExpanded, expanded);
        for (const CDateTime& dropped : entry.DroppedOccurrences) {
            if (!CDateTimeRange::Contains(dropped)) continue;
            const IcalSeconds t = ToLocal(dropped);
            if (t <= first || (rule->Until && t > *rule->Until) || !CanWrite(t)) continue;
            const bool yielded = t < ToLocal(horizon)
                                     ? std::binary_search(expanded.begin(), expanded.end(), t)
                                     : IsRuleOccurrence(entry, dropped);
            if (yielded) excluded.push_back(t);
        }
        std::sort(excluded.begin(), excluded.end());
        excluded.erase(std::unique(excluded.begin(), excluded.end()), excluded.end());
        if (complete) {
            std::vector<IcalSeconds> kept;
            std::set_difference(expanded.begin(), expanded.end(), excluded.begin(), excluded.end(),
                                std::back_inserter(kept));
            if (kept != occurrences) rule.reset();
        }
    }

    if (rule) {
        std::string untilText;
        if (rule->Until) {
            untilText =
                m_zone != nullptr && !dateValued
                    ? FormatFields(CCivilTime::FromSeconds(m_zone->UtcFromLocal(*rule->Until)),
                                   false) +
                          "Z"
                    : FormatTime(*rule->Until, dateValued);
        }
        out.Line("RRULE", rule->ToText(untilText));
        for (const IcalSeconds t : excluded) {
            AddTimeParams(out, dateValued);
            out.Line("EXDATE", FormatTime(t, dateValued));
        }
        return true;
    }

    for (std::size_t i = 1; i < occurrences.size(); ++i) {
        if (!CanWrite(occurrences[i])) break;
        AddTimeParams(out, dateValued);
        out.Line("RDATE", FormatTime(occurrences[i], dateValued));
    }
    // A series that ends before the horizon is listed whole, and exactly.
    if (complete && until && *until < ToLocal(horizon)) return true;
    Note(entry, "no single RRULE is exact: " + std::to_string(occurrences.size()) +
                    " occurrences listed up to " + horizon.Format("%Y-%m-%d") +
                    (complete ? ""
                              : " (of those after the first only the last " +
                                    std::to_string(kMostOccurrencesChecked) + ")"));
    return true;
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
    m_notes.push_back("entry " + entry.Properties.GUID + " \"" +
                      CPlatform::Current().AnsiToUtf8(entry.Properties.Description) +
                      "\": " + text);
}
