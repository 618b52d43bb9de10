#include "icalmap/CheckedRule.h"

#include <algorithm>
#include <iterator>

#include "datetime/DateTimeRange.h"
#include "ical/RecurrenceIterator.h"
#include "icalmap/RuleMapping.h"
#include "store/Agenda.h"
#include "store/DateEntry.h"

namespace {

// More than any list of occurrences that is checked.
constexpr std::size_t kMostExpanded = 2 * CCheckedRule::kMostOccurrencesChecked + 1;

// The occurrences of `entry` that start in [from, horizon), as the agenda lists them; false
// when a series by hours would have more than kMostOccurrencesChecked, and only the last of
// them are listed.
bool AgendaStarts(const CDateEntry& entry, CDateTime from, const CDateTime& horizon,
                  std::vector<CDateTime>& starts) {
    const DateEntryProperties& p = entry.Properties;
    bool whole = true;
    if (CRuleMapping::IsSeries(p) && p.Repeat == kRepeatEvery && p.RepeatUnit <= kRepeatUnitWeeks) {
        const std::int64_t hours = p.RepeatUnit == kRepeatUnitWeeks  ? 168
                                   : p.RepeatUnit == kRepeatUnitDays ? 24
                                                                     : 1;
        const std::int64_t period = std::int64_t{p.RepeatRate} * hours * 3600;
        const std::int64_t span =
            CDateTimeRange::ToSeconds(horizon) - CDateTimeRange::ToSeconds(from);
        if (span / period > CCheckedRule::kMostOccurrencesChecked) {
            from = CDateTimeRange::AddClamped(horizon,
                                              -CCheckedRule::kMostOccurrencesChecked * period);
            whole = false;
        }
    }
    CDateTime to;
    if (!CDateTimeRange::TryAdd(horizon, -1, to)) return whole;
    std::vector<CDateTime> ends;
    CAgenda::Collect(entry, from, to, starts, ends);
    return whole;
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
    // Beyond the year 9999 no UNTIL can be written.
    counted.CountOccurrencesUntil(CDateTime(9999, 12, 31, 23, 59, 59));
    if (counted.SeriesEndKnown == 0) return std::nullopt;
    return CCheckedRule::ToLocal(counted.SeriesEnd) - counted.GetDuration().GetTotalSeconds();
}

}  // namespace

IcalSeconds CCheckedRule::ToLocal(const CDateTime& value) {
    // Day 1 of the calendar and second 0 of CCivilTime are both 0001-01-01T00:00:00.
    return CDateTimeRange::ToSeconds(value) - CDateTimeRange::kSecondsPerDay;
}

CCheckedRule::CCheckedRule(const CDateEntry& entry, const CDateTime& horizon) {
    Collect(entry, horizon);
    const DateEntryProperties& p = entry.Properties;
    if (p.RepeatEnd == kRepeatEndAfterCount) {
        m_until = LastCountedStart(entry);
    } else if (p.RepeatEnd == kRepeatEndAtDate) {
        m_until = ToLocal(p.RepeatEndDate);
    }
    if (!m_occurrences.empty()) Check(entry, horizon);
}

void CCheckedRule::Collect(const CDateEntry& entry, const CDateTime& horizon) {
    const CDateTime seriesStart = entry.GetSeriesStart();
    // Early enough that the first query meets the first occurrence also when it ends before
    // it starts.
    const CDateTime from = CDateTimeRange::AddClamped(
        seriesStart, std::min<std::int64_t>(entry.GetDuration().GetTotalSeconds(), 0));
    std::vector<CDateTime> starts;
    m_whole = AgendaStarts(entry, from, horizon, starts);
    if (!m_whole) {
        // The list holds the last ones only: the first comes from the series' first years.
        std::vector<CDateTime> early;
        AgendaStarts(entry, from, CDateTime(seriesStart.GetYear() + 4, 1, 1), early);
        if (!early.empty()) m_occurrences.push_back(ToLocal(early.front()));
    }
    m_occurrences.reserve(m_occurrences.size() + starts.size());
    for (const CDateTime& start : starts) {
        if (m_occurrences.empty() || ToLocal(start) > m_occurrences.back()) {
            m_occurrences.push_back(ToLocal(start));
        }
    }
}

void CCheckedRule::Check(const CDateEntry& entry, const CDateTime& horizon) {
    const IcalSeconds first = m_occurrences.front();
    m_rule = CRuleMapping::Build(entry.Properties, first);
    if (!m_rule) return;
    const IcalSeconds end = ToLocal(horizon);
    // The calendar's times are wall-clock times: the rule is expanded floating, UNTIL too.
    CRecurrenceRule bounded = *m_rule;
    if (m_until) bounded.until = CRuleUntil{CCivilTime::FromSeconds(*m_until), false, false};
    std::vector<IcalSeconds> expanded;
    CRecurrenceIterator iterator(bounded, CCivilTime::FromSeconds(first), nullptr);
    IcalSeconds start = 0;
    while (expanded.size() < kMostExpanded && iterator.Next(start) && start < end) {
        expanded.push_back(start);
    }
    for (const CDateTime& dropped : entry.DroppedOccurrences) {
        if (!CDateTimeRange::Contains(dropped)) continue;
        const IcalSeconds t = ToLocal(dropped);
        if (t <= first || (m_until && t > *m_until)) continue;
        const bool listed = !expanded.empty() && t <= expanded.back();
        const bool yielded = listed ? std::binary_search(expanded.begin(), expanded.end(), t)
                                    : IsRuleOccurrence(entry, dropped);
        if (yielded) m_excluded.push_back(t);
    }
    std::sort(m_excluded.begin(), m_excluded.end());
    m_excluded.erase(std::unique(m_excluded.begin(), m_excluded.end()), m_excluded.end());
    if (!m_whole) return;
    std::vector<IcalSeconds> kept;
    std::set_difference(expanded.begin(), expanded.end(), m_excluded.begin(), m_excluded.end(),
                        std::back_inserter(kept));
    if (kept != m_occurrences) {
        m_rule.reset();
        m_excluded.clear();
    }
}
