// Occurrences of a date entry's repeat rule, and the lookups in its dropped occurrences.
//
// Every candidate date is computed in 64-bit seconds and refused when it would leave the
// range of CDateTimeRange, so that no rule value, however large, overflows a day number.
// Every step of GetNextOccurrence moves strictly forward, so a window iteration ends.
// Counting a series (for an end after a count) and passing over refused candidates use the
// closed form of CSeriesCount for a fixed period; other rules walk, within the bound of
// CDateEntry::kMostCandidatesPerQuery.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <numeric>
#include <optional>
#include <vector>

#include "datetime/DateTimeRange.h"
#include "store/CandidateBudget.h"
#include "store/DateEntry.h"
#include "store/FirstOccurrence.h"
#include "store/SeriesCount.h"

namespace {

constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerDay = CDateTimeRange::kSecondsPerDay;
constexpr std::int64_t kSecondsPerWeek = 7 * kSecondsPerDay;

// How a rule produces occurrences.
enum class ESeries {
    None,     // unknown Repeat, or Repeat 1 with an unknown RepeatUnit: no occurrence
    Single,   // Repeat 0, or Repeat 1 without a step (RepeatRate below 1): only [S, S + D]
    Hours,    // Repeat 1 by hours, days or weeks: a fixed period
    Months,   // Repeat 1 by months or years: a step in months, day and time from S
    Weekday,  // Repeat 2: the n-th or last weekday of every month
};

ESeries Classify(const DateEntryProperties& p) {
    switch (p.Repeat) {
        case kRepeatNone:
            return ESeries::Single;
        case kRepeatEvery:
            if (p.RepeatUnit < kRepeatUnitHours || p.RepeatUnit > kRepeatUnitYears) {
                return ESeries::None;
            }
            if (p.RepeatRate < 1) return ESeries::Single;
            return p.RepeatUnit <= kRepeatUnitWeeks ? ESeries::Hours : ESeries::Months;
        case kRepeatMonthlyWeekday:
            return ESeries::Weekday;
        default:
            return ESeries::None;
    }
}

// Period of an ESeries::Hours rule, in hours.
std::int64_t PeriodHours(const DateEntryProperties& p) {
    const std::int64_t rate = p.RepeatRate;
    switch (p.RepeatUnit) {
        case kRepeatUnitDays:
            return rate * 24;
        case kRepeatUnitWeeks:
            return rate * 168;
        default:
            return rate;
    }
}

// Step of an ESeries::Months rule, in months.
std::int64_t StepMonths(const DateEntryProperties& p) {
    const std::int64_t rate = p.RepeatRate;
    return p.RepeatUnit == kRepeatUnitYears ? rate * 12 : rate;
}

bool InWindow(const CDateTime& t, const CDateTime& from, const CDateTime& to) {
    return from <= t && t <= to;
}

bool Overlaps(const CDateTime& start, const CDateTime& end, const CDateTime& from,
              const CDateTime& to) {
    return InWindow(start, from, to) || InWindow(end, from, to) || (start < from && end > to);
}

// With RepeatWeekdayCount 4 (fifth weekday) only the 29th and later qualify, whatever the
// rule; the calendar applies this to every candidate.
bool PassesFifthWeekday(const DateEntryProperties& p, const CDateTime& start) {
    return p.RepeatWeekdayCount != kRepeatWeekdayFifth || start.GetDay() >= 29;
}

// The candidate of a monthly series in the given year and month: the day of S, or the
// month's last day when shorter, at S's time of day.
bool MonthlyStart(const CDateTime& seriesStart, std::int64_t year, int month, CDateTime& start) {
    if (year < 0 || year > std::numeric_limits<int>::max()) return false;
    const int y = static_cast<int>(year);
    const int daysInMonth = CDateTime::DaysInMonth(y, month);
    const int day = seriesStart.GetDay() < daysInMonth ? seriesStart.GetDay() : daysInMonth;
    CDateTime candidate;
    if (!candidate.SetDate(y, month, day) || !candidate.SetTime(seriesStart)) return false;
    if (!CDateTimeRange::Contains(candidate)) return false;
    start = candidate;
    return true;
}

// The first day of a month at the time of day of `timeSource`.
bool FirstOfMonth(std::int64_t year, int month, const CDateTime& timeSource, CDateTime& first) {
    if (year < 0 || year > std::numeric_limits<int>::max()) return false;
    CDateTime candidate;
    if (!candidate.SetDate(static_cast<int>(year), month, 1) || !candidate.SetTime(timeSource)) {
        return false;
    }
    if (!CDateTimeRange::Contains(candidate)) return false;
    first = candidate;
    return true;
}

// Moves `date`, the first weekday of the rule in `month`, on by RepeatWeekdayCount weeks;
// a count of 5 picks the last such weekday of the month instead.
bool MoveToCountedWeekday(const DateEntryProperties& p, int month, CDateTime& date) {
    if (p.RepeatWeekdayCount != kRepeatWeekdayLast) {
        return CDateTimeRange::TryAdd(date, p.RepeatWeekdayCount * kSecondsPerWeek, date);
    }
    if (!CDateTimeRange::TryAdd(date, 4 * kSecondsPerWeek, date)) return false;
    return date.GetMonth() == month || CDateTimeRange::TryAdd(date, -kSecondsPerWeek, date);
}

// The candidate of a weekday rule in the month that `first` (its first day) opens.
bool WeekdayStart(const DateEntryProperties& p, const CDateTime& first, CDateTime& start) {
    const std::int64_t w = first.GetDayOfWeek();
    std::int64_t offsetDays = static_cast<std::int64_t>(p.RepeatWeekday) - w;
    if (p.RepeatWeekday < w) offsetDays += 7;
    CDateTime candidate;
    if (!CDateTimeRange::TryAdd(first, offsetDays * kSecondsPerDay, candidate)) return false;
    if (!MoveToCountedWeekday(p, first.GetMonth(), candidate)) return false;
    start = candidate;
    return true;
}

// The condition part of IsOccurrenceAllowed: time of day, month and weekday.
bool PassesConditions(const DateEntryProperties& p, const CDateTime& start) {
    if (p.Repeat == kRepeatNone) return true;
    if (p.CondTimeEnable != 0) {
        const std::int32_t time = start.GetSecondOfDay();
        if (time < p.CondStartTime.GetSecondOfDay() || time > p.CondEndTime.GetSecondOfDay()) {
            return false;
        }
    }
    const int month = start.GetMonth();
    const int dayOfWeek = start.GetDayOfWeek();
    if (month < 1 || month > 12 || dayOfWeek < 0 || dayOfWeek > 6) return false;
    return ((static_cast<std::uint32_t>(p.CondMonth) >> (month - 1)) & 1u) != 0 &&
           ((static_cast<std::uint32_t>(p.CondWeekdays) >> dayOfWeek) & 1u) != 0;
}

// False when the rule shows that no occurrence of a repeating rule can pass the conditions,
// so that no search walks its window only to refuse everything. Every rule but a fixed
// period starts all its occurrences at the time of day of S; a fixed period is judged by
// CSeriesCount when a candidate is refused.
bool CanAnyBeAllowed(const DateEntryProperties& p) {
    if (p.Repeat == kRepeatNone) return true;
    if ((static_cast<std::uint32_t>(p.CondWeekdays) & 0x7Fu) == 0) return false;
    if ((static_cast<std::uint32_t>(p.CondMonth) & 0xFFFu) == 0) return false;
    // A weekday rule of the table starts every occurrence on its weekday.
    if (Classify(p) == ESeries::Weekday && p.RepeatWeekday >= 0 && p.RepeatWeekday <= 6 &&
        ((static_cast<std::uint32_t>(p.CondWeekdays) >> p.RepeatWeekday) & 1u) == 0) {
        return false;
    }
    if (p.CondTimeEnable == 0) return true;
    const std::int32_t from = p.CondStartTime.GetSecondOfDay();
    const std::int32_t to = p.CondEndTime.GetSecondOfDay();
    if (from > to) return false;
    if (Classify(p) == ESeries::Hours) return true;
    const std::int32_t time = CFirstOccurrence::Start(p).GetSecondOfDay();
    return time >= from && time <= to;
}

// Candidates after which the conditions meet the same dates again, for the rules that step
// through a fixed pattern of months: a step of G months repeats after the 4,800 months of the
// calendar's 400-year cycle, a weekday rule of the table takes one candidate a month. 0 when
// the rule has no such cycle.
std::int64_t ConditionCycle(const DateEntryProperties& p) {
    constexpr std::int64_t kMonthsPerCycle = 4800;
    switch (Classify(p)) {
        case ESeries::Months:
            return kMonthsPerCycle / std::gcd(StepMonths(p), kMonthsPerCycle);
        case ESeries::Weekday: {
            const bool inTable = p.RepeatWeekdayCount >= kRepeatWeekdayFirst &&
                                 p.RepeatWeekdayCount <= kRepeatWeekdayLast &&
                                 p.RepeatWeekday >= 0 && p.RepeatWeekday <= 6;
            return inTable ? kMonthsPerCycle : 0;
        }
        default:
            return 0;
    }
}

// Moves the refused candidate [start, end] of a search over [from, to] on to the next one
// that the conditions allow and `isDropped` does not refuse, as the walk by GetNextOccurrence
// would meet it; false when it meets none. A fixed-period series jumps to the next candidate
// that the conditions allow, passing over whole runs of refused ones; other rules step, and
// stop after one whole cycle of the conditions without an allowed candidate. At most
// CDateEntry::kMostCandidatesPerQuery candidates are tried.
template <typename IsDropped>
bool SkipRefused(const CDateEntry& entry, const CDateTime& from, const CDateTime& to,
                 CDateTime& start, CDateTime& end, const IsDropped& isDropped) {
    const std::optional<CSeriesCount> series = CSeriesCount::Of(entry.Properties);
    std::int64_t steps = 0;
    if (series) {
        // The walk from this candidate meets every one up to `last`.
        if (!series->CanAnyBeAllowed()) return false;
        std::int64_t k = series->IndexAt(CDateTimeRange::ToSeconds(start));
        const std::int64_t last = series->LastIndexWalked(k, CDateTimeRange::ToSeconds(from),
                                                          CDateTimeRange::ToSeconds(to));
        do {
            if (++steps > CDateEntry::kMostCandidatesPerQuery || !CCandidateBudget::Take() ||
                k < 0 || !series->FindAllowed(k + 1, last, k)) {
                return false;
            }
            CDateTimeRange::FromSeconds(series->StartOf(k), start);
            CDateTimeRange::FromSeconds(series->StartOf(k) + series->GetDuration(), end);
        } while (isDropped(start));
        return true;
    }
    const DateEntryProperties& p = entry.Properties;
    const std::int64_t cycle = ConditionCycle(p);
    std::int64_t refusedInARow = 0;
    do {
        if (!PassesConditions(p, start)) {
            if (cycle > 0 && ++refusedInARow >= cycle) return false;
        } else {
            refusedInARow = 0;
        }
        if (++steps > CDateEntry::kMostCandidatesPerQuery || !CCandidateBudget::Take() ||
            !entry.GetNextOccurrence(from, to, start, end)) {
            return false;
        }
    } while (isDropped(start) || !PassesConditions(p, start));
    return true;
}

// The first candidate of a search over [from, to] that the conditions allow and `isDropped`
// does not refuse; false when there is none.
template <typename IsDropped>
bool FirstAllowed(const CDateEntry& entry, const CDateTime& from, const CDateTime& to,
                  CDateTime& start, CDateTime& end, const IsDropped& isDropped) {
    if (!CanAnyBeAllowed(entry.Properties)) return false;
    if (!entry.GetFirstOccurrence(from, to, start, end)) return false;
    return (!isDropped(start) && PassesConditions(entry.Properties, start)) ||
           SkipRefused(entry, from, to, start, end, isDropped);
}

std::int32_t Saturate(std::int64_t count) {
    return count > std::numeric_limits<std::int32_t>::max()
               ? std::numeric_limits<std::int32_t>::max()
               : static_cast<std::int32_t>(count);
}

// Indices of the distinct dropped starts that the conditions allow, in order: the ones whose
// drop takes an occurrence out of the count. Derived once per rule and kept with the drops
// until they change, so that a query costs O(log n) in them, not O(n).
const std::vector<std::int64_t>& DroppedIndices(const CDateEntry& entry,
                                                const CSeriesCount& series) {
    const std::array<std::int64_t, 7> rule = series.GetRuleKey();
    CIndexedDateTimeList::DerivedKey key{};
    std::copy(rule.begin(), rule.end(), key.begin());
    const CIndexedDateTimeList& drops = entry.DroppedOccurrences;
    if (const std::vector<std::int64_t>* kept = drops.FindDerived(key)) return *kept;
    std::vector<std::int64_t> dropped;
    for (const CDateTime& item : drops) {
        // A damaged item whose second of day lies outside the day equals no start.
        if (item.GetSecondOfDay() < 0 || item.GetSecondOfDay() >= kSecondsPerDay) continue;
        const std::int64_t k = series.IndexAt(CDateTimeRange::ToSeconds(item));
        if (k >= 0 && series.IsAllowed(k)) dropped.push_back(k);
    }
    std::sort(dropped.begin(), dropped.end());
    dropped.erase(std::unique(dropped.begin(), dropped.end()), dropped.end());
    return drops.KeepDerived(key, std::move(dropped));
}

// The dropped indices among them up to `last`.
std::int64_t CountUpTo(const std::vector<std::int64_t>& dropped, std::int64_t last) {
    return std::upper_bound(dropped.begin(), dropped.end(), last) - dropped.begin();
}

// The count of CountAllowedUntil without walking, for the series that CSeriesCount counts
// (see there). The walk over [S, t] meets the candidates k = 0 .. last of
// CSeriesCount::LastIndexWalked and counts those that the conditions allow and that are not
// dropped, up to the first such one that starts on t's day when t is a midnight. False when
// the rule is not such a series or its count would take too long.
bool CountByArithmetic(CDateEntry& entry, const CDateTime& t, std::int64_t& count) {
    const std::optional<CSeriesCount> series = CSeriesCount::Of(entry.Properties);
    if (!series) return false;
    const std::int64_t seconds = CDateTimeRange::ToSeconds(t);
    std::int64_t last =
        seconds < series->GetStart() ? -1 : series->LastIndexWalked(0, series->GetStart(), seconds);
    static const std::vector<std::int64_t> kNone;
    // Every search below looks only at candidates up to `last`.
    const std::vector<std::int64_t>& dropped = last >= 0 ? DroppedIndices(entry, *series) : kNone;
    std::int64_t onDay = 0;
    if (last >= 0 && t.GetSecondOfDay() == 0 &&
        series->FindAllowedKept(series->FirstIndexEndingFrom(seconds + series->GetDuration()),
                                std::min(last, series->LastIndexUpTo(seconds + kSecondsPerDay - 1)),
                                dropped, -1, onDay)) {
        last = onDay;
    }
    std::int64_t allowed = 0;
    if (last >= 0 && !series->CountBefore(last + 1, allowed)) return false;
    allowed -= CountUpTo(dropped, last);

    const DateEntryProperties& p = entry.Properties;
    if (p.RepeatEnd != kRepeatEndAfterCount) {
        count = allowed;
        return true;
    }
    // The walk stops once the count passes RepeatEndCount, after caching the end of the
    // occurrence that reached it.
    const std::int64_t endCount = p.RepeatEndCount;
    if (endCount >= 1 && allowed >= endCount) {
        std::int64_t index = 0;
        if (!series->FindNthKept(endCount, dropped, -1, last, index)) return false;
        CDateTime end;
        CDateTimeRange::FromSeconds(series->StartOf(index) + series->GetDuration(), end);
        entry.SeriesEnd = end;
        entry.SeriesEndKnown = 1;
    }
    count = std::min(allowed, std::max<std::int64_t>(endCount, 0) + 1);
    return true;
}

// The number, counted from 1, of the allowed occurrence starting at `t`; see
// CountOccurrencesUntil. 64 bits, because a RepeatEndCount of INT32_MAX may be exceeded.
// A walk stops after CDateEntry::kMostCandidatesPerQuery candidates with the count so far.
std::int64_t CountAllowedUntil(CDateEntry& entry, const CDateTime& t) {
    const DateEntryProperties& p = entry.Properties;
    if (!CanAnyBeAllowed(p)) return 0;
    std::int64_t counted = 0;
    if (CountByArithmetic(entry, t, counted)) return counted;
    const CDateTime seriesStart = CFirstOccurrence::Start(p);
    const bool endsAfterCount = p.Repeat != kRepeatNone && p.RepeatEnd == kRepeatEndAfterCount;
    std::int64_t count = 0;
    std::int64_t steps = 0;
    CDateTime start;
    CDateTime end;
    bool found = entry.GetFirstOccurrence(seriesStart, t, start, end);
    while (found && ++steps <= CDateEntry::kMostCandidatesPerQuery && CCandidateBudget::Take()) {
        if (entry.IsOccurrenceAllowed(start)) {
            ++count;
            if (endsAfterCount) {
                if (count == p.RepeatEndCount) {
                    entry.SeriesEnd = end;
                    entry.SeriesEndKnown = 1;
                }
                if (count > p.RepeatEndCount) break;
            }
            if (start.GetDateOnly() == t) break;
        }
        found = entry.GetNextOccurrence(seriesStart, t, start, end);
    }
    return count;
}

}  // namespace

CDateTime CDateEntry::GetSeriesStart() const {
    return CFirstOccurrence::Start(Properties);
}

CDateTimeSpan CDateEntry::GetDuration() const {
    return CDateTimeSpan(CFirstOccurrence::Duration(Properties));
}

CDateTimeSpan CDateEntry::MakeSpan(int amount, int unit) {
    const std::int64_t n = amount;
    switch (unit) {
        case kSpanUnitMinutes:
            return CDateTimeSpan(n * 60);
        case kSpanUnitHours:
            return CDateTimeSpan(n * kSecondsPerHour);
        case kSpanUnitDays:
            return CDateTimeSpan(n * kSecondsPerDay);
        case kSpanUnitWeeks:
            return CDateTimeSpan(n * kSecondsPerWeek);
        default:
            return CDateTimeSpan();
    }
}

bool CDateEntry::GetFirstOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                                    CDateTime& end) const {
    const DateEntryProperties& p = Properties;
    const CDateTime seriesStart = CFirstOccurrence::Start(p);
    if (to < seriesStart) return false;
    const ESeries kind = Classify(p);
    if (kind == ESeries::None) return false;
    const CDateTime firstEnd = CFirstOccurrence::End(p);
    const std::int64_t duration = GetDuration().GetTotalSeconds();

    CDateTime candidateStart;
    CDateTime candidateEnd;
    // Sets the candidate to [q, q + D]; false when its end leaves the range.
    auto take = [&](const CDateTime& q) {
        CDateTime e;
        if (!CDateTimeRange::TryAdd(q, duration, e)) return false;
        candidateStart = q;
        candidateEnd = e;
        return true;
    };

    // A rule by hours or months whose first occurrence touches the window starts there; a
    // weekday rule always looks for its weekday.
    const bool firstTouches = InWindow(seriesStart, from, to) || InWindow(firstEnd, from, to);
    bool accepted = false;
    if (kind == ESeries::Single || (kind != ESeries::Weekday && firstTouches)) {
        accepted = take(seriesStart);
    } else if (kind == ESeries::Hours) {
        const std::int64_t periodHours = PeriodHours(p);
        const std::int64_t minutes =
            (CDateTimeRange::ToSeconds(from) - CDateTimeRange::ToSeconds(firstEnd)) / 60;
        std::int64_t k0 = minutes / (periodHours * 60);
        if (k0 < 0) k0 = 0;
        for (std::int64_t k = k0; k <= k0 + 1 && !accepted; ++k) {
            CDateTime q;
            if (!CDateTimeRange::TryAdd(seriesStart, k * periodHours * kSecondsPerHour, q) ||
                !take(q)) {
                break;
            }
            accepted = Overlaps(candidateStart, candidateEnd, from, to);
        }
    } else if (kind == ESeries::Months) {
        const std::int64_t step = StepMonths(p);
        std::int64_t months =
            (static_cast<std::int64_t>(from.GetYear()) - firstEnd.GetYear()) * 12 +
            (static_cast<std::int64_t>(from.GetMonth()) - firstEnd.GetMonth());
        if (months < 0) months = 0;
        for (std::int64_t i = 0; i < 2 && !accepted; ++i) {
            const std::int64_t index = seriesStart.GetMonth() - 1 + step * (months / step + i);
            CDateTime q;
            if (index < 0 ||
                !MonthlyStart(seriesStart, seriesStart.GetYear() + index / 12,
                              static_cast<int>(index % 12) + 1, q) ||
                !take(q)) {
                break;
            }
            accepted = Overlaps(candidateStart, candidateEnd, from, to);
        }
    } else {
        // Look from the month in which an occurrence overlapping `from` could start.
        CDateTime base = seriesStart;
        CDateTime earliest;
        if (CDateTimeRange::TryAdd(from, -duration, earliest)) {
            if (earliest > seriesStart) base = earliest;
        } else if (CDateTimeRange::ToSeconds(from) - duration >
                   CDateTimeRange::ToSeconds(seriesStart)) {
            return false;  // every such start lies beyond the range
        }
        std::int64_t year = base.GetYear();
        int month = base.GetMonth();
        for (int i = 0; i < 2 && !accepted; ++i) {
            CDateTime first;
            CDateTime q;
            if (!FirstOfMonth(year, month, seriesStart, first) || !WeekdayStart(p, first, q) ||
                !take(q)) {
                break;
            }
            accepted = q >= seriesStart && Overlaps(candidateStart, candidateEnd, from, to) &&
                       PassesFifthWeekday(p, q);
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }

    if (!accepted || !PassesFifthWeekday(p, candidateStart) ||
        !Overlaps(candidateStart, candidateEnd, from, to)) {
        return false;
    }
    start = candidateStart;
    end = candidateEnd;
    return true;
}

bool CDateEntry::GetNextOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                                   CDateTime& end) const {
    const DateEntryProperties& p = Properties;
    CDateTime next;
    switch (Classify(p)) {
        case ESeries::Hours:
            if (!CDateTimeRange::TryAdd(start, PeriodHours(p) * kSecondsPerHour, next)) {
                return false;
            }
            break;
        case ESeries::Months: {
            // Day and time come from S, so a series on the 31st returns to it after a short
            // month.
            const std::int64_t index = start.GetMonth() - 1 + StepMonths(p);
            if (index < 0 || !MonthlyStart(CFirstOccurrence::Start(p), start.GetYear() + index / 12,
                                           static_cast<int>(index % 12) + 1, next)) {
                return false;
            }
            break;
        }
        case ESeries::Weekday: {
            // Whole weeks up to the first same weekday of the next month; a month has at
            // most five of them.
            next = start;
            bool monthChanged = false;
            for (int i = 0; i < 6 && !monthChanged; ++i) {
                if (!CDateTimeRange::TryAdd(next, kSecondsPerWeek, next)) return false;
                monthChanged = next.GetMonth() != start.GetMonth();
            }
            if (!monthChanged) return false;
            if (!MoveToCountedWeekday(p, next.GetMonth(), next)) return false;
            break;
        }
        default:
            return false;
    }
    // A weekday count outside 0..5 can lead back to the same start or before it; such a
    // rule has no later occurrence.
    if (next <= start) return false;
    CDateTime nextEnd;
    if (!CDateTimeRange::TryAdd(next, GetDuration().GetTotalSeconds(), nextEnd)) return false;
    if (!PassesFifthWeekday(p, next) || !Overlaps(next, nextEnd, from, to)) return false;
    start = next;
    end = nextEnd;
    return true;
}

bool CDateEntry::IsOccurrenceAllowed(const CDateTime& start) const {
    return !IsOccurrenceDropped(start) && PassesConditions(Properties, start);
}

int CDateEntry::CountOccurrencesUntil(const CDateTime& start) {
    return Saturate(CountAllowedUntil(*this, start));
}

bool CDateEntry::FindFirstAllowedOccurrence(const CDateTime& from, const CDateTime& to,
                                            CDateTime& start, CDateTime& end,
                                            const DropTest& isDropped) const {
    return FirstAllowed(*this, from, to, start, end, isDropped);
}

bool CDateEntry::FindFirstOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                                     CDateTime& end) {
    const DateEntryProperties& p = Properties;
    if (p.RepeatEnd == kRepeatEndAfterCount && SeriesEndKnown != 0 && from > SeriesEnd)
        return false;
    const bool found = FirstAllowed(*this, from, to, start, end,
                                    [this](const CDateTime& t) { return IsOccurrenceDropped(t); });
    if (!found || p.Repeat == kRepeatNone) return found;
    if (p.RepeatEnd == kRepeatEndAfterCount) {
        const std::int64_t number = CountAllowedUntil(*this, start);
        OccurrenceCounter = Saturate(number);
        if (p.RepeatEndCount < number) return false;
    } else if (p.RepeatEnd == kRepeatEndAtDate && start > p.RepeatEndDate) {
        return false;
    }
    return true;
}

bool CDateEntry::FindNextOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                                    CDateTime& end) {
    const DateEntryProperties& p = Properties;
    if (p.RepeatEnd == kRepeatEndAfterCount && SeriesEndKnown != 0 && from > SeriesEnd)
        return false;
    if (!CanAnyBeAllowed(p)) return false;
    bool found = GetNextOccurrence(from, to, start, end);
    if (found && !IsOccurrenceAllowed(start)) {
        found = SkipRefused(*this, from, to, start, end,
                            [this](const CDateTime& t) { return IsOccurrenceDropped(t); });
    }
    if (!found || p.Repeat == kRepeatNone) return found;
    if (p.RepeatEnd == kRepeatEndAfterCount) {
        const std::int64_t number = static_cast<std::int64_t>(OccurrenceCounter) + 1;
        OccurrenceCounter = Saturate(number);
        if (number == p.RepeatEndCount) {
            SeriesEnd = end;
            SeriesEndKnown = 1;
        }
        if (number > p.RepeatEndCount) return false;
    } else if (p.RepeatEnd == kRepeatEndAtDate && start > p.RepeatEndDate) {
        return false;
    }
    return true;
}

int CDateEntry::FindDroppedOccurrence(const CDateTime& occurrence) const {
    return DroppedOccurrences.Find(occurrence);
}

bool CDateEntry::IsOccurrenceDropped(const CDateTime& occurrence) const {
    return DroppedOccurrences.Contains(occurrence);
}

int CDateEntry::GetDroppedOccurrenceCount() const {
    return DroppedOccurrences.GetSize();
}

CDateTime CDateEntry::GetDroppedOccurrence(int index) const {
    return DroppedOccurrences[index];
}
