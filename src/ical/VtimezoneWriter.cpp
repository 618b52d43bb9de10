#include "ical/VtimezoneWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ical/ContentLineWriter.h"
#include "ical/TzifZone.h"

namespace {

constexpr const char* kDayNames[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

std::string Offset(int seconds) {
    const int magnitude = std::abs(seconds);
    char text[16];
    if (magnitude % 60 != 0) {
        std::snprintf(text, sizeof text, "%c%02d%02d%02d", seconds < 0 ? '-' : '+',
                      magnitude / 3600, magnitude / 60 % 60, magnitude % 60);
    } else {
        std::snprintf(text, sizeof text, "%c%02d%02d", seconds < 0 ? '-' : '+', magnitude / 3600,
                      magnitude / 60 % 60);
    }
    return text;
}

std::string Local(IcalSeconds seconds) {
    const CCivilFields f = CCivilTime::FromSeconds(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    return text;
}

// One observance: from the instant `utc` on, `to` instead of `from`.
void Observance(CContentLineWriter& out, IcalSeconds utc, int from, int to, bool daylight,
                const std::string& name, const std::string& rule) {
    const char* kind = daylight ? "DAYLIGHT" : "STANDARD";
    out.Line("BEGIN", kind);
    // The onset in the local time that was in force until then.
    out.Line("DTSTART", Local(utc + from));
    if (!rule.empty()) out.Line("RRULE", rule);
    out.Line("TZOFFSETFROM", Offset(from));
    out.Line("TZOFFSETTO", Offset(to));
    if (!name.empty()) out.Line("TZNAME", CContentLineWriter::EscapeText(name));
    out.Line("END", kind);
}

IcalSeconds YearStart(int year) {
    return CCivilTime::DaysFromCivil(year, 1, 1) * CCivilTime::kSecondsPerDay;
}

// Whether the zone's table changes the offset in `year` exactly as its yearly rule does.
bool SameChanges(const CTzifZone& zone, int year) {
    const std::vector<CTzifZone::STransition> listed =
        zone.Transitions(YearStart(year), YearStart(year + 1));
    const std::vector<CTzifZone::STransition> ruled = zone.FooterTransitions(year);
    return std::equal(listed.begin(), listed.end(), ruled.begin(), ruled.end(),
                      [](const CTzifZone::STransition& a, const CTzifZone::STransition& b) {
                          return a.utcSeconds == b.utcSeconds && a.offset == b.offset &&
                                 a.daylight == b.daylight;
                      });
}

}  // namespace

std::string CVtimezoneWriter::Write(const CTzifZone& zone, IcalSeconds fromUtc, IcalSeconds toUtc) {
    CContentLineWriter out;
    out.Line("BEGIN", "VTIMEZONE");
    out.Line("TZID", CContentLineWriter::EscapeText(zone.Name()));

    CTzifZone::SYearlyChange toDaylight;
    CTzifZone::SYearlyChange toStandard;
    const bool yearly = zone.YearlyChanges(toDaylight, toStandard);
    // The yearly rule takes over from the first year after which the table's changes are all
    // the rule's (zone data lists the rule's changes some decades ahead).
    const int firstYear = CCivilTime::FromSeconds(fromUtc).year;
    int ruleYear = CCivilTime::FromSeconds(zone.TableEnd()).year + 1;
    while (yearly && ruleYear - 1 > firstYear && SameChanges(zone, ruleYear - 1)) --ruleYear;
    const IcalSeconds listedUntil = yearly ? YearStart(ruleYear) : toUtc;

    int offset = zone.OffsetAtUtc(fromUtc - 1);
    Observance(out, fromUtc, offset, offset, false, "", "");
    for (const CTzifZone::STransition& change : zone.Transitions(fromUtc, listedUntil)) {
        Observance(out, change.utcSeconds, offset, change.offset, change.daylight,
                   change.abbreviation, "");
        offset = change.offset;
    }
    if (yearly) {
        for (const CTzifZone::STransition& change : zone.FooterTransitions(ruleYear)) {
            const CTzifZone::SYearlyChange& rule = change.daylight ? toDaylight : toStandard;
            const std::string text = "FREQ=YEARLY;BYMONTH=" + std::to_string(rule.month) +
                                     ";BYDAY=" + std::to_string(rule.ordinal) +
                                     kDayNames[rule.weekday];
            Observance(out, change.utcSeconds, offset, change.offset, change.daylight,
                       change.abbreviation, text);
            offset = change.offset;
        }
    }
    out.Line("END", "VTIMEZONE");
    return out.TakeText();
}
