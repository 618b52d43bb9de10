#include "icalmap/EventMapper.h"

#include <algorithm>

#include "ical/TimeZone.h"
#include "icalmap/EventFields.h"
#include "icalmap/EventGuid.h"
#include "icalmap/ExactEntries.h"
#include "platform/Platform.h"

namespace {

constexpr IcalSeconds kDay = CCivilTime::kSecondsPerDay;

// Calendar wall-clock seconds as a date-time (CCivilTime counts days from 0, CDateTime from 1).
CDateTime ToDateTime(IcalSeconds seconds) {
    const IcalSeconds days = seconds >= 0 ? seconds / kDay : (seconds - kDay + 1) / kDay;
    return CDateTime::FromStored(static_cast<std::int32_t>(days + 1),
                                 static_cast<std::int32_t>(seconds - days * kDay));
}

IcalSeconds ToSeconds(const CDateTime& value) {
    return (static_cast<IcalSeconds>(value.GetDayNumber()) - 1) * kDay + value.GetSecondOfDay();
}

// The calendar's local wall-clock time of a wall-clock time of the event's zone.
IcalSeconds ToLocal(const CIcalEvent& event, const CTimeZone& local, IcalSeconds wall) {
    if (event.Zone == nullptr || event.WholeDay) return wall;
    return local.LocalFromUtc(event.Zone->UtcFromLocal(wall));
}

CExactEntries::SOccurrence Occurrence(const CIcalEvent& event, const CTimeZone& local,
                                      IcalSeconds wall) {
    if (event.WholeDay) {
        const IcalSeconds days = std::max<IcalSeconds>(1, event.Length / kDay);
        return {ToDateTime(wall), ToDateTime(wall + days * kDay - 1)};
    }
    CIcalEvent::SLength length{event.Length, event.NominalDays};
    const bool hasEnd = event.HasEnd || event.PeriodLengths.count(wall) != 0;
    if (const auto period = event.PeriodLengths.find(wall); period != event.PeriodLengths.end()) {
        length = period->second;
    }
    const IcalSeconds start = ToLocal(event, local, wall);
    IcalSeconds end = start;
    if (hasEnd && event.Zone == nullptr) {
        end = wall + length.Length;
    } else if (hasEnd) {
        const IcalSeconds days = length.NominalDays * kDay;
        end = local.LocalFromUtc(event.Zone->UtcFromLocal(wall + days) + length.Length - days);
    }
    // A start in a gap of the event's zone moves forward by the gap while its end may not: the
    // occurrence keeps its length instead of ending before it starts.
    if (end < start) end = start + length.Length;
    return {ToDateTime(start), ToDateTime(end)};
}

// The wanted occurrences cut where the local time of day moves against the event's own
// (the two zones change their offsets on different dates): runs of one difference between
// local and event wall-clock time. A lone occurrence that differs from equal neighbours (a
// start in a gap of the clocks) stays with them, as an exception of their series.
std::vector<CExactEntries::SStretch> Stretches(
    const std::vector<CExactEntries::SOccurrence>& wanted, const std::vector<IcalSeconds>& walls) {
    struct SRun {
        std::size_t end;
        IcalSeconds difference;
    };
    std::vector<SRun> runs;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const IcalSeconds difference = ToSeconds(wanted[i].Start) - walls[i];
        if (!runs.empty() && runs.back().difference == difference) {
            runs.back().end = i + 1;
            continue;
        }
        // The run before is a lone occurrence between two runs of this difference.
        if (runs.size() >= 2 && runs[runs.size() - 2].difference == difference &&
            runs.back().end - runs[runs.size() - 2].end == 1) {
            runs.pop_back();
            runs.back().end = i + 1;
            continue;
        }
        runs.push_back({i + 1, difference});
    }
    std::vector<CExactEntries::SStretch> stretches;
    for (const SRun& run : runs) stretches.push_back({run.end, {}});
    return stretches;
}

}  // namespace

CDateTime CEventMapper::Horizon(const CDateTime& now) {
    return CDateTime(now.GetYear() + 4, 1, 1);
}

int CEventMapper::HorizonYear(int syncHorizonYear, IcalSeconds firstStart) {
    const IcalSeconds latest = firstStart + 2 * kDay;
    if (latest < CCivilTime::ToSeconds(CCivilFields{syncHorizonYear, 1, 1, 0, 0, 0})) {
        return syncHorizonYear;
    }
    return std::min(CCivilTime::FromSeconds(latest).year + 4, kLastHorizonYear);
}

CEventMapper::SResult CEventMapper::Map(const CIcalEvent& event, const CTimeZone& local,
                                        const CDateTime& now, CPlatform& platform,
                                        CDateEntryArray& entries) {
    SResult result;
    if (event.Cancelled || event.Starts.empty()) return result;
    const CDateTime horizon =
        event.HorizonYear != 0 ? CDateTime(event.HorizonYear, 1, 1) : Horizon(now);

    std::vector<CExactEntries::SOccurrence> wanted;
    std::vector<IcalSeconds> walls;  // the start of each wanted occurrence in the event's zone
    for (const IcalSeconds wall : event.Starts) {
        const CExactEntries::SOccurrence occurrence = Occurrence(event, local, wall);
        if (occurrence.Start >= horizon) break;
        // Two wall-clock times can meet in one local time where the local clocks go back.
        if (!wanted.empty() && !(wanted.back().Start < occurrence.Start)) continue;
        wanted.push_back(occurrence);
        walls.push_back(wall);
    }
    if (wanted.empty()) return result;
    if (event.Starts.size() >= kMostStarts && wanted.size() == event.Starts.size()) {
        result.Findings.push_back("more than " + std::to_string(kMostStarts) +
                                  " occurrences before the horizon: the later ones left out");
    }

    std::string guidName = event.GuidName;
    if (guidName.empty()) {
        guidName = wanted.front().Start.FormatStorage() + "\n" + event.Summary;
        result.Findings.push_back("no UID: one made from the start and the summary");
    }
    CRecordStore& texts = entries.GetStore();
    DateEntryProperties base;
    base.GUID = texts.Text(CEventGuid::FromUid(guidName));
    base.StorageType = kStorageTypeProperties;
    base.Description = texts.Text(platform.Utf8ToAnsi(event.Summary));
    base.Notes = texts.Text(
        platform.Utf8ToAnsi(CEventFields::Notes(event.Location, event.Url, event.Description)));
    base.ShowStartTime = event.WholeDay ? 0 : 1;
    base.ShowEnd = event.WholeDay || event.HasEnd ? 1 : 0;
    std::uint32_t keep = 0;
    if (event.Category) {
        base.Category = texts.Text(platform.Utf8ToAnsi(*event.Category));
    } else {
        keep |= kKeepCategory;
    }
    const std::optional<std::int32_t> color =
        event.Color ? CEventFields::BgColor(*event.Color) : std::nullopt;
    if (color) {
        base.BgColor = *color;
    } else {
        keep |= kKeepColors;
        if (event.Color) result.Findings.push_back("COLOR " + *event.Color + " is no CSS3 name");
    }
    if (event.HasAlarms) {
        if (const std::optional<CEventFields::SForewarn> forewarn =
                CEventFields::Forewarn(event.AlarmLeads)) {
            base.Forewarn = 1;
            base.ForewarnSpan = forewarn->Span;
            base.ForewarnUnit = forewarn->Unit;
        } else {
            result.Findings.push_back("alarms left out: none before the start in whole minutes");
        }
    } else {
        keep |= kKeepReminders;
    }

    std::optional<CDateTime> lastStart;
    if (event.LastStart) lastStart = Occurrence(event, local, *event.LastStart).Start;
    const bool goesOn = !lastStart || wanted.back().Start < *lastStart;
    std::vector<CExactEntries::SStretch> stretches = Stretches(wanted, walls);
    const std::optional<CRuleCandidates::SRule> rule =
        event.Rule ? event.Rule : CRuleCandidates::Guess(walls);
    if (rule) {
        const CCivilFields first = CCivilTime::FromSeconds(event.Starts.front());
        const std::int64_t firstDay = CCivilTime::DaysFromCivil(first.year, first.month, first.day);
        std::size_t begin = 0;
        for (CExactEntries::SStretch& stretch : stretches) {
            // One occurrence is a series only where the event goes on past the horizon.
            if (stretch.End - begin > 1 || (stretch.End == wanted.size() && goesOn)) {
                const std::int64_t localDay = ToSeconds(wanted[begin].Start) / kDay;
                const std::int64_t wallDay =
                    walls[begin] >= 0 ? walls[begin] / kDay : (walls[begin] - kDay + 1) / kDay;
                const int shift =
                    static_cast<int>(std::clamp<std::int64_t>(localDay - wallDay, -1, 1));
                stretch.Candidates = CRuleCandidates::Build(*rule, CCivilTime::DayOfWeek(firstDay),
                                                            first.day, shift);
            }
            begin = stretch.End;
        }
    }
    const int first = entries.GetSize();
    const CExactEntries::SResult exact = CExactEntries::BuildStretches(
        base, texts, guidName, wanted, lastStart, stretches, horizon, now, entries);
    result.Entries = entries.GetSize() - first;
    for (int i = first; i < entries.GetSize(); ++i) entries[i].KeepStored = keep;
    if (result.Entries > 1) {
        result.Findings.push_back("mapped onto " + std::to_string(result.Entries) + " entries (" +
                                  std::to_string(exact.Series) + " series, " +
                                  std::to_string(exact.Singles) + " single)");
    }
    if (exact.Dropped > 0) {
        result.Findings.push_back(std::to_string(exact.Dropped) +
                                  " occurrences of the calendar's series dropped");
    }
    if (exact.Truncated) {
        result.Findings.push_back("more than " +
                                  std::to_string(CExactEntries::kMostEntriesPerEvent) +
                                  " entries needed: imported up to that bound");
    }
    return result;
}
