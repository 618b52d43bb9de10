#include "icalmap/ExactEntries.h"

#include <algorithm>

#include "datetime/DateTimeRange.h"
#include "icalmap/EventGuid.h"
#include "store/Agenda.h"

namespace {

using SOccurrence = CExactEntries::SOccurrence;

// Made blank, not as a new entry is (its start now and a GUID of its own, both replaced at
// once): every property comes from `properties`, and the reminder state is that of an entry
// checked up to `now` with nothing listed.
CDateEntry& MakeEntry(CDateEntryArray& entries, const DateEntryProperties& properties,
                      const CRecordStore& texts, const CDateTime& now) {
    CDateEntry& entry = entries.AddForLoading();
    entry.Properties = entry.ImportProperties(properties, texts);
    entry.LastCheckTime = now;
    entry.SetStorageType(kStorageTypeProperties);
    return entry;
}

void CopyRule(const DateEntryProperties& rule, DateEntryProperties& properties) {
    properties.Repeat = rule.Repeat;
    properties.RepeatRate = rule.RepeatRate;
    properties.RepeatUnit = rule.RepeatUnit;
    properties.RepeatWeekdayCount = rule.RepeatWeekdayCount;
    properties.RepeatWeekday = rule.RepeatWeekday;
    properties.CondTimeEnable = rule.CondTimeEnable;
    properties.CondStartTime = rule.CondStartTime;
    properties.CondEndTime = rule.CondEndTime;
    properties.CondWeekdays = rule.CondWeekdays;
    properties.CondMonth = rule.CondMonth;
}

std::string OccurrenceGuid(std::string_view uid, const CDateTime& start) {
    std::string name(uid);
    name += '\n';
    name += start.FormatStorage();
    return CEventGuid::FromUid(name);
}

// Index of the wanted occurrence that starts at `start`, or -1.
std::ptrdiff_t FindWanted(const std::vector<SOccurrence>& wanted, const CDateTime& start) {
    const auto at = std::lower_bound(wanted.begin(), wanted.end(), start,
                                     [](const SOccurrence& occurrence, const CDateTime& value) {
                                         return occurrence.Start < value;
                                     });
    if (at == wanted.end() || at->Start != start) return -1;
    return at - wanted.begin();
}

bool Fits(const CExactEntries::SCandidate& candidate, const SOccurrence& occurrence, bool claimed) {
    return !claimed &&
           (candidate.AnchorWeekday < 0 ||
            occurrence.Start.GetDayOfWeek() == candidate.AnchorWeekday) &&
           (candidate.AnchorMonthDay < 0 || occurrence.Start.GetDay() == candidate.AnchorMonthDay);
}

}  // namespace

CExactEntries::SResult CExactEntries::Build(const DateEntryProperties& base, CRecordStore& texts,
                                            std::string_view uid,
                                            const std::vector<SOccurrence>& wanted,
                                            const std::optional<CDateTime>& lastStart,
                                            const std::vector<SCandidate>& candidates,
                                            const CDateTime& horizon, const CDateTime& now,
                                            CDateEntryArray& entries) {
    return BuildStretches(base, texts, uid, wanted, lastStart,
                          {SStretch{wanted.size(), candidates}}, horizon, now, entries);
}

CExactEntries::SResult CExactEntries::BuildStretches(const DateEntryProperties& base,
                                                     CRecordStore& texts, std::string_view uid,
                                                     const std::vector<SOccurrence>& wanted,
                                                     const std::optional<CDateTime>& lastStart,
                                                     const std::vector<SStretch>& stretches,
                                                     const CDateTime& horizon, const CDateTime& now,
                                                     CDateEntryArray& entries) {
    SResult result;
    const int first = entries.GetSize();
    const auto made = [&] { return static_cast<std::size_t>(entries.GetSize() - first); };
    std::vector<bool> claimed(wanted.size(), false);
    CDateTime walkEnd = horizon;
    CDateTimeRange::TryAdd(horizon, -1, walkEnd);

    // Entries made so far and their dropped occurrences, which the bound counts alike.
    const auto used = [&] { return made() + static_cast<std::size_t>(result.Dropped); };
    // Each candidate with the wanted occurrences [begin, end) of its stretch.
    struct STry {
        std::size_t begin;
        std::size_t end;
        const SCandidate* candidate;
    };
    std::vector<STry> tries;
    std::size_t stretchBegin = 0;
    for (const SStretch& stretch : stretches) {
        const std::size_t stretchEnd = std::min(stretch.End, wanted.size());
        for (const SCandidate& candidate : stretch.Candidates) {
            tries.push_back({stretchBegin, stretchEnd, &candidate});
        }
        stretchBegin = stretchEnd;
    }

    for (const auto& [begin, end, candidatePointer] : tries) {
        const SCandidate& candidate = *candidatePointer;
        if (used() >= kMostEntriesPerEvent) break;
        std::size_t anchor = begin;
        while (anchor < end && !Fits(candidate, wanted[anchor], claimed[anchor])) {
            ++anchor;
        }
        if (anchor >= end) continue;
        DateEntryProperties properties = base;
        CopyRule(candidate.Rule, properties);
        properties.StartDate = wanted[anchor].Start;
        properties.EndDate = wanted[anchor].End;
        const std::optional<CDateTime> seriesEnd =
            end == wanted.size() ? lastStart : std::optional(wanted[end - 1].Start);
        properties.RepeatEnd = seriesEnd ? kRepeatEndAtDate : kRepeatEndNever;
        properties.RepeatEndDate = seriesEnd.value_or(properties.StartDate);
        if (made() > 0) {
            properties.GUID = texts.Text(OccurrenceGuid(uid, properties.StartDate));
        }
        CDateEntry* entry = &MakeEntry(entries, properties, texts, now);

        std::vector<CDateTime> starts;
        std::vector<CDateTime> ends;
        CAgenda::Collect(*entry, properties.StartDate, walkEnd, starts, ends);
        std::vector<std::size_t> claims;
        std::vector<CDateTime> drops;
        for (std::size_t k = 0; k < starts.size(); ++k) {
            const std::ptrdiff_t at = FindWanted(wanted, starts[k]);
            if (at >= 0 && !claimed[static_cast<std::size_t>(at)] &&
                wanted[static_cast<std::size_t>(at)].End == ends[k]) {
                claims.push_back(static_cast<std::size_t>(at));
            } else {
                drops.push_back(starts[k]);
            }
        }
        if (claims.empty() || claims.size() < drops.size()) {
            entries.RemoveAt(entries.GetSize() - 1);
            continue;
        }
        const std::size_t room = kMostEntriesPerEvent - used();  // the series counts already
        if (drops.size() > room) {
            const CDateTime cut = drops[room];
            while (!claims.empty() && !(wanted[claims.back()].Start < cut)) claims.pop_back();
            entries.RemoveAt(entries.GetSize() - 1);
            if (claims.empty()) continue;
            const CDateTime last = wanted[claims.back()].Start;
            while (!drops.empty() && !(drops.back() < last)) drops.pop_back();
            properties.RepeatEnd = kRepeatEndAtDate;
            properties.RepeatEndDate = last;
            entry = &MakeEntry(entries, properties, texts, now);
            result.Truncated = true;
        }
        for (const std::size_t at : claims) claimed[at] = true;
        for (const CDateTime& drop : drops) entry->DropOccurrence(drop);
        result.Dropped += static_cast<int>(drops.size());
        ++result.Series;
    }

    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (claimed[i]) continue;
        if (used() >= kMostEntriesPerEvent) {
            result.Truncated = true;
            break;
        }
        DateEntryProperties properties = base;
        properties.Repeat = kRepeatNone;
        properties.StartDate = wanted[i].Start;
        properties.EndDate = wanted[i].End;
        properties.RepeatEndDate = wanted[i].Start;
        if (made() > 0) {
            properties.GUID = texts.Text(OccurrenceGuid(uid, properties.StartDate));
        }
        MakeEntry(entries, properties, texts, now);
        ++result.Singles;
    }
    return result;
}
