// One iCalendar event as the mapping onto date entries needs it: its fields as the file
// gives them (UTF-8) and its occurrences, already expanded by RFC 5545 (RRULE, RDATE, EXDATE,
// changed instances taken out), in the wall-clock time of its own zone. The reader fills it;
// CEventMapper turns it into entries.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ical/CivilTime.h"
#include "icalmap/RuleCandidates.h"

class CTimeZone;

class CIcalEvent {
public:
    // The name the entries' GUIDs are made from: the UID, or for a changed instance the UID
    // and its RECURRENCE-ID. Empty: the event has no UID (one is made from its start and
    // summary).
    std::string GuidName;
    std::string Summary;
    std::string Description;
    std::string Location;
    std::string Url;
    std::optional<std::string> Category;  // the first CATEGORIES value; none: no CATEGORIES
    std::optional<std::string> Color;     // COLOR; none: no COLOR
    bool Cancelled = false;               // STATUS:CANCELLED

    // DATE values: whole days, Starts at 00:00 of each day, Length whole days.
    bool WholeDay = false;
    // DTEND or DURATION given; without, a timed occurrence has no length.
    bool HasEnd = false;
    // The zone of the wall-clock times (a fixed UTC zone for UTC times); nullptr: floating,
    // the times are the calendar's own wall-clock times. Not owned.
    const CTimeZone* Zone = nullptr;
    // The year whose 1 January ends this event's exactness (CEventMapper::HorizonYear);
    // 0: the sync's horizon (CEventMapper::Horizon).
    int HorizonYear = 0;
    // Occurrence starts, wall-clock seconds in Zone, sorted, each once; those before the
    // horizon (HorizonYear) are enough, and at most CEventMapper::kMostStarts
    // (an expansion that stops there leaves the rest out, and the mapper says so).
    std::vector<IcalSeconds> Starts;
    // How long every occurrence lasts, in seconds: the first NominalDays days of it on the
    // wall clock of Zone (a DURATION of days keeps its wall-clock length across a change of
    // offset), the rest exact (a DTEND gives every occurrence the first one's exact length).
    // Floating and whole-day events count it all on the wall clock.
    IcalSeconds Length = 0;
    IcalSeconds NominalDays = 0;
    // Occurrences that an RDATE gives as a PERIOD end as it says: their Length and
    // NominalDays by their start (wall-clock seconds in Zone).
    struct SLength {
        IcalSeconds Length = 0;
        IcalSeconds NominalDays = 0;
    };
    std::map<IcalSeconds, SLength> PeriodLengths;
    // The start of the last occurrence of a series that ends (COUNT, UNTIL, or none at all);
    // none: the series goes on for ever.
    std::optional<IcalSeconds> LastStart;
    // The RRULE, when there is one, for the calendar's own series to try first.
    std::optional<CRuleCandidates::SRule> Rule;

    // Lead times of the event's DISPLAY and AUDIO alarms before its start, in seconds (an
    // alarm relative to the end counted with the event's length). HasAlarms: any VALARM,
    // whether or not it could become a reminder.
    std::vector<std::int64_t> AlarmLeads;
    bool HasAlarms = false;
};
