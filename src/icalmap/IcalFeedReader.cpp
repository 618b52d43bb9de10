#include "icalmap/IcalFeedReader.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "ical/FixedOffsetZone.h"
#include "ical/IcalDateTime.h"
#include "ical/IcalDuration.h"
#include "ical/IcalReader.h"
#include "ical/IcalText.h"
#include "ical/RecurrenceSet.h"
#include "ical/SystemZones.h"
#include "ical/VTimeZone.h"
#include "icalmap/EventMapper.h"
#include "icalmap/IcalEvent.h"
#include "platform/Platform.h"

namespace {

constexpr IcalSeconds kDay = CCivilTime::kSecondsPerDay;
// Occurrences one event is expanded to before the mapper's own bound; a rule that yields
// more before the horizon (every second) is cut here and reported by the mapper.
constexpr std::size_t kMostOccurrences = 200000;

// The zones of one calendar: its VTIMEZONEs, then the system's zones by TZID, each looked up
// once per read.
class CZones {
public:
    CZones(CPlatform& platform, std::vector<CIcalFeedFinding>& findings)
        : m_platform(platform), m_findings(findings) {}

    void AddVTimeZone(const CIcalComponent& component) {
        std::vector<std::string> problems;
        std::unique_ptr<CVTimeZone> zone = CVTimeZone::FromComponent(component, &problems);
        for (const std::string& problem : problems) {
            m_findings.push_back({component.line, problem});
        }
        if (!zone) {
            return;
        }
        // Where the component ends, the system's zone of its name carries on (Mozilla writes
        // the IANA name apart, in X-LIC-LOCATION).
        std::unique_ptr<CTimeZone> outside = CSystemZones::Find(m_platform, zone->Name());
        if (const CContentLine* location = component.Find("X-LIC-LOCATION"); !outside && location) {
            outside = CSystemZones::Find(m_platform, location->value);
        }
        if (outside) {
            zone->SetOutsideZone(std::move(outside));
        }
        const std::string name = zone->Name();
        m_zones[name] = std::move(zone);
    }

    // Reports once a zone of the file that does not cover an event's occurrences from
    // `firstUtc` to `lastUtc` and that the system does not know.
    void CheckCover(const CTimeZone* zone, IcalSeconds firstUtc, IcalSeconds lastUtc, int line) {
        const auto found = m_zones.find(zone != nullptr ? zone->Name() : std::string());
        if (found == m_zones.end() || found->second.get() != zone) {
            return;
        }
        const auto* vzone = dynamic_cast<const CVTimeZone*>(zone);
        if (vzone == nullptr || vzone->HasOutsideZone() ||
            (vzone->Covers(firstUtc) && vzone->Covers(lastUtc)) ||
            !m_uncovered.insert(zone).second) {
            return;
        }
        m_findings.push_back({line, "time zone " + zone->Name() +
                                        " does not cover every occurrence and the system knows "
                                        "no zone of that name: its nearest offset carried on"});
    }

    // nullptr for a TZID nobody knows (reported once, with the line that names it).
    const CTimeZone* Find(const std::string& tzid, int line) {
        auto found = m_zones.find(tzid);
        if (found != m_zones.end()) {
            return found->second.get();
        }
        std::unique_ptr<CTimeZone> zone = CSystemZones::Find(m_platform, tzid);
        if (!zone) {
            m_findings.push_back({line, "unknown time zone " + tzid + ": times read as floating"});
        }
        const CTimeZone* result = zone.get();
        m_zones[tzid] = std::move(zone);
        return result;
    }

    const CTimeZone& Utc() const { return m_utc; }

private:
    CPlatform& m_platform;
    std::vector<CIcalFeedFinding>& m_findings;
    std::map<std::string, std::unique_ptr<CTimeZone>> m_zones;
    std::set<const CTimeZone*> m_uncovered;
    CFixedOffsetZone m_utc{0, "UTC"};
};

// A date-time value as wall-clock seconds of `zone` (nullptr: floating, taken as it stands).
IcalSeconds InZone(const CIcalDateTime& value, const CTimeZone* valueZone, const CTimeZone* zone) {
    if (value.isDate || valueZone == zone || valueZone == nullptr || zone == nullptr) {
        return value.Seconds();
    }
    return zone->LocalFromUtc(valueZone->UtcFromLocal(value.Seconds()));
}

// 1 January of the event's horizon year, in civil seconds.
IcalSeconds HorizonSeconds(const CIcalEvent& event) {
    return CCivilTime::ToSeconds(CCivilFields{event.HorizonYear, 1, 1, 0, 0, 0});
}

class CEventBuilder {
public:
    CEventBuilder(CZones& zones, const CTimeZone* calendarZone,
                  std::vector<CIcalFeedFinding>& findings)
        : m_zones(zones), m_calendarZone(calendarZone), m_findings(findings) {}

    // The zone a value is written in: its TZID, UTC, or the calendar's zone for floating
    // times (nullptr when it has none).
    const CTimeZone* ZoneOf(const CIcalDateTime& value, int line) {
        if (value.isDate) {
            return nullptr;
        }
        if (value.isUtc) {
            return m_calendarZone != nullptr ? m_calendarZone : &m_zones.Utc();
        }
        if (!value.tzid.empty()) {
            return m_zones.Find(value.tzid, line);
        }
        return m_calendarZone;
    }

    // The event's fields and its occurrences up to its horizon (CEventMapper::HorizonYear of
    // `syncHorizonYear` and its series' first start: `seriesStart` for a changed instance
    // whose series is in the file, else its own DTSTART). False when it has no readable
    // DTSTART. A changed instance (RECURRENCE-ID) is the one occurrence at its DTSTART: an
    // RRULE or RDATE that an exporter copied onto it from its series is ignored, as the
    // common clients do.
    bool Build(const CIcalComponent& component, int syncHorizonYear,
               std::optional<IcalSeconds> seriesStart, bool changedInstance, CIcalEvent& event,
               CIcalDateTime& start) {
        const CContentLine* dtstart = component.Find("DTSTART");
        int bad = 0;
        std::vector<CIcalDateTime> starts;
        if (dtstart != nullptr) {
            starts = CIcalDateTime::ParseList(*dtstart, bad);
        }
        if (starts.empty()) {
            m_findings.push_back({component.line, "event without a readable DTSTART skipped"});
            return false;
        }
        start = starts.front();
        if (start.isUtc && m_calendarZone != nullptr) {
            // The calendar's own zone governs its UTC times, as publishers that name one mean.
            start.fields = CCivilTime::FromSeconds(m_calendarZone->LocalFromUtc(start.Seconds()));
            start.isUtc = false;
        }
        event.HorizonYear =
            CEventMapper::HorizonYear(syncHorizonYear, seriesStart.value_or(start.Seconds()));
        const IcalSeconds horizon = HorizonSeconds(event);
        const CTimeZone* zone = ZoneOf(starts.front(), dtstart->line);
        event.Zone = zone;
        event.WholeDay = start.isDate;
        Fields(component, event);
        Length(component, start, zone, event);
        Alarms(component, event);
        if (changedInstance) {
            if (start.Seconds() < horizon) event.Starts.push_back(start.Seconds());
            event.LastStart = start.Seconds();
            if (component.Find("RRULE") != nullptr || component.Find("RDATE") != nullptr) {
                m_findings.push_back({component.line,
                                      "changed instance with RRULE or RDATE: only its own "
                                      "DTSTART is an occurrence"});
            }
            return true;
        }
        Occurrences(component, start, zone, horizon, event);
        return true;
    }

private:
    static std::string Text(const CIcalComponent& component, const char* name) {
        const CContentLine* line = component.Find(name);
        return line != nullptr ? CIcalText::Unescape(line->value) : std::string();
    }

    void Fields(const CIcalComponent& component, CIcalEvent& event) {
        event.Summary = Text(component, "SUMMARY");
        event.Description = Text(component, "DESCRIPTION");
        event.Location = Text(component, "LOCATION");
        event.Url = Text(component, "URL");
        if (const CContentLine* categories = component.Find("CATEGORIES")) {
            const std::vector<std::string> values = CIcalText::SplitList(categories->value);
            if (!values.empty()) {
                event.Category = values.front();
            }
        }
        if (const CContentLine* color = component.Find("COLOR")) {
            event.Color = CIcalText::Unescape(color->value);
        }
        std::string status = Text(component, "STATUS");
        std::transform(status.begin(), status.end(), status.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        event.Cancelled = status == "CANCELLED";
    }

    void Length(const CIcalComponent& component, const CIcalDateTime& start, const CTimeZone* zone,
                CIcalEvent& event) {
        const CContentLine* dtend = component.Find("DTEND");
        const CContentLine* duration = component.Find("DURATION");
        CIcalDateTime end;
        CIcalDuration length;
        if (dtend != nullptr && CIcalDateTime::Parse(dtend->value, end)) {
            if (const std::string* tzid = dtend->Parameter("TZID"); tzid && !end.isUtc) {
                end.tzid = *tzid;
            }
            const CTimeZone* endZone = ZoneOf(end, dtend->line);
            if (end.isUtc && m_calendarZone != nullptr) {
                end.fields = CCivilTime::FromSeconds(m_calendarZone->LocalFromUtc(end.Seconds()));
                end.isUtc = false;
                endZone = m_calendarZone;
            }
            if (zone != nullptr && !start.isDate && !end.isDate) {
                event.Length = (endZone != nullptr ? endZone : zone)->UtcFromLocal(end.Seconds()) -
                               zone->UtcFromLocal(start.Seconds());
            } else {
                event.Length = InZone(end, endZone, zone) - start.Seconds();
            }
            event.HasEnd = true;
        } else if (duration != nullptr && CIcalDuration::Parse(duration->value, length)) {
            event.Length = length.TotalSeconds();
            event.NominalDays = length.days;
            event.HasEnd = true;
        } else if (start.isDate) {
            event.Length = kDay;
            event.HasEnd = true;
        }
        if (event.Length < 0) {
            m_findings.push_back({component.line, "end before the start: the event has no length"});
            event.Length = 0;
            event.NominalDays = 0;
        }
    }

    void Alarms(const CIcalComponent& component, CIcalEvent& event) {
        for (const CIcalComponent& alarm : component.children) {
            if (alarm.name != "VALARM") {
                continue;
            }
            event.HasAlarms = true;
            std::string action = Text(alarm, "ACTION");
            std::transform(action.begin(), action.end(), action.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            const CContentLine* trigger = alarm.Find("TRIGGER");
            CIcalDuration offset;
            if ((action != "DISPLAY" && action != "AUDIO") || trigger == nullptr ||
                !CIcalDuration::Parse(trigger->value, offset)) {
                m_findings.push_back({alarm.line,
                                      "alarm left out: only DISPLAY and AUDIO "
                                      "alarms at a time relative to the event"});
                continue;
            }
            const std::string* related = trigger->Parameter("RELATED");
            std::int64_t lead = -offset.TotalSeconds();
            if (related != nullptr && (*related == "END" || *related == "end")) {
                lead -= event.Length;
            }
            event.AlarmLeads.push_back(lead);
        }
    }

    // RDATE and EXDATE values in the event's wall-clock time.
    std::vector<IcalSeconds> Dates(const CIcalComponent& component, const char* name,
                                   const CTimeZone* zone) {
        std::vector<IcalSeconds> values;
        for (const CContentLine* line : component.FindAll(name)) {
            int bad = 0;
            for (CIcalDateTime value : CIcalDateTime::ParseList(*line, bad)) {
                const CTimeZone* valueZone = ZoneOf(value, line->line);
                if (value.isUtc && m_calendarZone != nullptr) {
                    value.fields =
                        CCivilTime::FromSeconds(m_calendarZone->LocalFromUtc(value.Seconds()));
                    valueZone = m_calendarZone;
                }
                values.push_back(InZone(value, valueZone, zone));
            }
            if (bad > 0) {
                m_findings.push_back({line->line, std::string(name) + " value not understood"});
            }
        }
        return values;
    }

    // The ends of the RDATE values given as a PERIOD (RFC 5545 section 3.3.9): an end, or a
    // duration whose days are wall-clock days.
    void PeriodLengths(const CIcalComponent& component, const CTimeZone* zone, CIcalEvent& event) {
        for (const CContentLine* line : component.FindAll("RDATE")) {
            std::string_view rest = line->value;
            while (!rest.empty()) {
                const size_t comma = rest.find(',');
                const std::string_view item = rest.substr(0, comma);
                rest =
                    comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
                const size_t slash = item.find('/');
                CIcalDateTime start;
                if (slash == std::string_view::npos ||
                    !CIcalDateTime::Parse(item.substr(0, slash), start) || start.isDate) {
                    continue;
                }
                if (const std::string* tzid = line->Parameter("TZID"); tzid && !start.isUtc) {
                    start.tzid = *tzid;
                }
                // UTC as it stands: the instant is what counts, whatever the calendar's zone.
                const CTimeZone* startZone =
                    start.isUtc ? &m_zones.Utc() : ZoneOf(start, line->line);
                const std::string_view after = item.substr(slash + 1);
                CIcalEvent::SLength length;
                CIcalDuration duration;
                CIcalDateTime end;
                if (CIcalDuration::Parse(after, duration)) {
                    length = {duration.TotalSeconds(), duration.days};
                } else if (CIcalDateTime::Parse(after, end) && !end.isDate) {
                    end.tzid = start.tzid;
                    const CTimeZone* endZone = end.isUtc ? &m_zones.Utc() : ZoneOf(end, line->line);
                    length.Length = endZone != nullptr && startZone != nullptr
                                        ? endZone->UtcFromLocal(end.Seconds()) -
                                              startZone->UtcFromLocal(start.Seconds())
                                        : end.Seconds() - start.Seconds();
                } else {
                    m_findings.push_back({line->line, "RDATE period end not understood"});
                    continue;
                }
                if (length.Length < 0) continue;
                event.PeriodLengths[InZone(start, startZone, zone)] = length;
            }
        }
    }

    void Occurrences(const CIcalComponent& component, const CIcalDateTime& start,
                     const CTimeZone* zone, IcalSeconds horizon, CIcalEvent& event) {
        CRecurrenceSet set;
        set.dtstart = start.fields;
        set.zone = zone;
        for (const CContentLine* line : component.FindAll("RRULE")) {
            CRecurrenceRule rule;
            std::string problem;
            if (!CRecurrenceRule::Parse(line->value, rule, &problem)) {
                m_findings.push_back({line->line, problem + ": the rule is left out"});
                continue;
            }
            if (!problem.empty()) {
                m_findings.push_back({line->line, problem});
            }
            set.rules.push_back(rule);
        }
        set.rdates = Dates(component, "RDATE", zone);
        PeriodLengths(component, zone, event);
        set.exdates = Dates(component, "EXDATE", zone);
        bool truncated = false;
        if (!set.IsFinite()) {
            event.Starts = set.Expand(start.Seconds(), horizon, kMostOccurrences, truncated);
        } else {
            // The starts before the horizon are the first of those up to the calendar's end,
            // and at most kMostOccurrences are kept of either: one expansion gives both them
            // and the last start.
            const IcalSeconds end = CCivilTime::ToSeconds(CCivilFields{9999, 12, 31, 0, 0, 0});
            event.Starts = set.Expand(start.Seconds(), end, kMostOccurrences, truncated);
            if (!truncated && !event.Starts.empty()) {
                event.LastStart = event.Starts.back();
            }
            event.Starts.erase(std::lower_bound(event.Starts.begin(), event.Starts.end(), horizon),
                               event.Starts.end());
        }
        if (set.rules.size() == 1) {
            event.Rule = Candidate(set.rules.front());
        }
    }

    static CRuleCandidates::SRule Candidate(const CRecurrenceRule& rule) {
        CRuleCandidates::SRule candidate;
        candidate.Frequency = static_cast<CRuleCandidates::EFrequency>(rule.freq);
        candidate.Interval = rule.interval;
        for (const CWeekdayNum& day : rule.byDay) {
            candidate.ByDay.emplace_back(day.ordinal, day.weekday);
        }
        candidate.ByMonthDay = rule.byMonthDay;
        for (const int month : rule.byMonth) {
            candidate.ByMonth |= 1u << (month - 1);
        }
        candidate.LastOfSet = rule.bySetPos == std::vector<int>{-1};
        candidate.OtherParts = !rule.bySecond.empty() || !rule.byMinute.empty() ||
                               !rule.byHour.empty() || !rule.byYearDay.empty() ||
                               !rule.byWeekNo.empty() ||
                               (!rule.bySetPos.empty() && !candidate.LastOfSet);
        return candidate;
    }

    CZones& m_zones;
    const CTimeZone* m_calendarZone;
    std::vector<CIcalFeedFinding>& m_findings;
};

// The day a RECURRENCE-ID names, in the event's wall-clock time: a changed instance replaces
// the occurrence of its series that starts on that day.
std::int64_t DayOf(IcalSeconds wall) {
    return wall >= 0 ? wall / kDay : (wall - kDay + 1) / kDay;
}

// The order of two versions of one event (RFC 5545 section 3.8.7.4): SEQUENCE, then DTSTAMP;
// a missing one counts as the lowest. Equal ranks leave the later in the file to win.
struct SVersionRank {
    long long sequence = 0;
    IcalSeconds stamp = std::numeric_limits<IcalSeconds>::min();

    static SVersionRank Of(const CIcalComponent& component) {
        SVersionRank rank;
        if (const CContentLine* sequence = component.Find("SEQUENCE")) {
            rank.sequence = std::strtoll(sequence->value.c_str(), nullptr, 10);
        }
        CIcalDateTime stamp;
        if (const CContentLine* line = component.Find("DTSTAMP");
            line != nullptr && CIcalDateTime::Parse(line->value, stamp)) {
            rank.stamp = stamp.Seconds();
        }
        return rank;
    }
    bool operator<=(const SVersionRank& other) const {
        return sequence != other.sequence ? sequence < other.sequence : stamp <= other.stamp;
    }
};

// Empties a component when the pass over it ends, whichever way it ends; its line stays.
struct SRelease {
    CIcalComponent& component;
    ~SRelease() {
        std::vector<CContentLine>().swap(component.properties);
        std::vector<CIcalComponent>().swap(component.children);
    }
};

// The events of `calendar` that another version of the same event replaces: of those with
// one UID and one RECURRENCE-ID (or none), all but the highest ranked. Nothing of them reaches
// the calendar, not even what the winner lacks (an RDATE, an occurrence of its own).
std::set<const CIcalComponent*> SupersededVersions(const CIcalComponent& calendar,
                                                   std::vector<CIcalFeedFinding>& findings) {
    std::map<std::string, std::pair<const CIcalComponent*, SVersionRank>> latest;
    std::set<const CIcalComponent*> superseded;
    for (const CIcalComponent& child : calendar.children) {
        const CContentLine* uid = child.Find("UID");
        if (child.name != "VEVENT" || uid == nullptr) {
            continue;
        }
        std::string key = uid->value + '\n';
        if (const CContentLine* id = child.Find("RECURRENCE-ID")) {
            const std::string* tzid = id->Parameter("TZID");
            key += (tzid != nullptr ? *tzid : std::string()) + '\n' + id->value;
        }
        const SVersionRank rank = SVersionRank::Of(child);
        const auto [at, added] = latest.try_emplace(key, &child, rank);
        if (added) {
            continue;
        }
        const CIcalComponent* loser = &child;
        if (at->second.second <= rank) {
            loser = at->second.first;
            at->second = {&child, rank};
        }
        superseded.insert(loser);
    }
    for (const CIcalComponent* loser : superseded) {
        findings.push_back(
            {loser->line, "an older version of an event (SEQUENCE, DTSTAMP) left out"});
    }
    return superseded;
}

}  // namespace

bool CIcalFeedReader::Read(std::string_view text, const CDateTime& now, const CTimeZone& local,
                           CPlatform& platform, CDateEntryArray& entries,
                           std::vector<CIcalFeedFinding>& findings) {
    std::vector<CIcalComponent> calendars;
    std::vector<CIcalFinding> syntax;
    const CIcalReader::EResult read = CIcalReader::Read(text, calendars, syntax);
    for (const CIcalFinding& finding : syntax) {
        findings.push_back({finding.line, finding.text});
    }
    if (read != CIcalReader::kRead) {
        return false;
    }
    const int syncHorizonYear = CEventMapper::Horizon(now).GetYear();
    for (CIcalComponent& calendar : calendars) {
        CZones zones(platform, findings);
        for (const CIcalComponent& child : calendar.children) {
            if (child.name == "VTIMEZONE") {
                zones.AddVTimeZone(child);
            }
        }
        const CTimeZone* calendarZone = nullptr;
        if (const CContentLine* wr = calendar.Find("X-WR-TIMEZONE")) {
            calendarZone = zones.Find(CIcalText::Unescape(wr->value), wr->line);
        }
        CEventBuilder builder(zones, calendarZone, findings);

        const std::set<const CIcalComponent*> superseded = SupersededVersions(calendar, findings);
        // The RECURRENCE-ID of each changed instance by UID: a copy, because an event's
        // component is released once it is mapped, and its master may come later.
        std::multimap<std::string, CContentLine> changed;
        std::set<std::string> instanceUids;
        for (const CIcalComponent& child : calendar.children) {
            if (child.name == "VEVENT") {
                const CContentLine* id = child.Find("RECURRENCE-ID");
                const CContentLine* uid = child.Find("UID");
                if (id == nullptr || uid == nullptr) continue;
                instanceUids.insert(uid->value);
                CIcalDateTime value;
                if (superseded.count(&child) == 0 && CIcalDateTime::Parse(id->value, value)) {
                    changed.emplace(uid->value, *id);
                }
            } else if (child.name != "VTIMEZONE") {
                findings.push_back({child.line, child.name + " skipped: only events are imported"});
            }
        }
        // The first start (wall clock) of each series that has changed instances, for their
        // horizon; a calendar without them reads no DTSTART twice.
        std::map<std::string, IcalSeconds> seriesStarts;
        if (!instanceUids.empty()) {
            for (const CIcalComponent& child : calendar.children) {
                if (child.name != "VEVENT" || child.Find("RECURRENCE-ID") != nullptr) continue;
                const CContentLine* uid = child.Find("UID");
                const CContentLine* dtstart = child.Find("DTSTART");
                CIcalDateTime value;
                if (uid != nullptr && dtstart != nullptr && instanceUids.count(uid->value) != 0 &&
                    superseded.count(&child) == 0 && CIcalDateTime::Parse(dtstart->value, value)) {
                    seriesStarts.emplace(uid->value, value.Seconds());
                }
            }
        }
        auto mapEvent = [&](const CIcalEvent& event, int line) {
            const CEventMapper::SResult result =
                CEventMapper::Map(event, local, now, platform, entries);
            for (const std::string& finding : result.Findings) {
                findings.push_back({line, finding});
            }
        };
        // Room for an entry per event still to come before each event is mapped, so that the
        // list's block does not move at every step of its growth rule; where events become
        // several entries each, half again.
        int eventsLeft = static_cast<int>(
            std::count_if(calendar.children.begin(), calendar.children.end(),
                          [](const CIcalComponent& child) { return child.name == "VEVENT"; }));
        for (CIcalComponent& child : calendar.children) {
            if (child.name != "VEVENT") {
                continue;
            }
            if (entries.GetSize() + eventsLeft > entries.GetCapacity()) {
                entries.EnsureCapacity(entries.GetSize() + eventsLeft + entries.GetSize() / 2);
            }
            --eventsLeft;
            // Nothing reads an event's component after this pass over it (superseded and
            // changed hold its address and a copy): its memory goes before the next one's
            // entries are made.
            const SRelease release{child};
            const CContentLine* uid = child.Find("UID");
            const CContentLine* recurrenceId = child.Find("RECURRENCE-ID");
            if (superseded.count(&child) != 0) {
                continue;
            }
            CIcalEvent event;
            CIcalDateTime start;
            std::optional<IcalSeconds> seriesStart;
            if (recurrenceId != nullptr && uid != nullptr) {
                const auto series = seriesStarts.find(uid->value);
                if (series != seriesStarts.end()) seriesStart = series->second;
            }
            if (!builder.Build(child, syncHorizonYear, seriesStart, recurrenceId != nullptr, event,
                               start)) {
                continue;
            }
            if (event.Zone != nullptr && !event.WholeDay && !event.Starts.empty()) {
                zones.CheckCover(
                    event.Zone, event.Zone->UtcFromLocal(event.Starts.front()),
                    event.Zone->UtcFromLocal(event.LastStart.value_or(HorizonSeconds(event))),
                    child.line);
            }
            if (recurrenceId != nullptr) {
                // A changed instance: an entry of its own, named by its UID and RECURRENCE-ID.
                event.GuidName =
                    (uid != nullptr ? uid->value : std::string()) + "\n" + recurrenceId->value;
                mapEvent(event, child.line);
                continue;
            }
            event.GuidName = uid != nullptr ? uid->value : std::string();
            if (uid != nullptr) {
                const auto range = changed.equal_range(uid->value);
                for (auto it = range.first; it != range.second; ++it) {
                    const CContentLine* id = &it->second;
                    int bad = 0;
                    const std::vector<CIcalDateTime> ids = CIcalDateTime::ParseList(*id, bad);
                    if (ids.empty()) {
                        continue;
                    }
                    const CTimeZone* idZone = builder.ZoneOf(ids.front(), id->line);
                    const std::int64_t day = DayOf(InZone(ids.front(), idZone, event.Zone));
                    event.Starts.erase(
                        std::remove_if(event.Starts.begin(), event.Starts.end(),
                                       [day](IcalSeconds wall) { return DayOf(wall) == day; }),
                        event.Starts.end());
                }
            }
            mapEvent(event, child.line);
        }
    }
    return true;
}
