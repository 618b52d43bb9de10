#include "store/CountedDrops.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "datetime/DateTimeRange.h"
#include "store/DateEntry.h"
#include "store/SeriesCount.h"
#include "store/SeriesWalk.h"

namespace {

// What the query [t, t] of one item finds: an allowed occurrence or none, its number as the
// count gives it, and the end of the occurrence that the count cached on reaching
// RepeatEndCount, if it did.
struct SJudgement {
    bool found = false;
    // False when the number was not counted because it lies below RepeatEndCount for sure.
    bool counted = true;
    std::int64_t number = 0;
    std::optional<CDateTime> seriesEnd;
};

// The distinct items in order, and where each item stands among them.
struct SValues {
    std::vector<CDateTime> sorted;
    std::vector<std::size_t> of;
};

SValues SortValues(const CDateTimeArray& drops) {
    SValues values;
    values.sorted.assign(drops.begin(), drops.end());
    std::sort(values.sorted.begin(), values.sorted.end());
    values.sorted.erase(std::unique(values.sorted.begin(), values.sorted.end()),
                        values.sorted.end());
    for (const CDateTime& item : drops) {
        values.of.push_back(static_cast<std::size_t>(
            std::lower_bound(values.sorted.begin(), values.sorted.end(), item) -
            values.sorted.begin()));
    }
    return values;
}

// The two rounds of queries, with judge(v, withOthers) answering the query of the v-th
// distinct item with no drop in place or with the others in place (nullopt when it cannot).
// False, with nothing changed, when a judgement failed.
template <typename JudgeFn>
bool Decide(CDateEntry& entry, const CDateTimeArray& drops, const SValues& values,
            const JudgeFn& judge, std::vector<bool>& keep) {
    const std::int64_t endCount = entry.Properties.RepeatEndCount;
    // The count stops once it passes RepeatEndCount.
    const std::int64_t cap = std::max<std::int64_t>(endCount, 0) + 1;
    std::optional<CDateTime> seriesEnd;
    std::optional<std::int64_t> counter;
    std::vector<bool> keptValue(values.sorted.size(), false);
    // Whether the query keeps the v-th distinct item; nullopt when it cannot be judged.
    auto query = [&](std::size_t v, bool withOthers) -> std::optional<bool> {
        const std::optional<SJudgement> j = judge(v, withOthers);
        if (!j) return std::nullopt;
        if (j->found && j->counted) counter = std::min(j->number, cap);
        if (j->seriesEnd) seriesEnd = j->seriesEnd;
        const bool kept = j->found && (!j->counted || j->number <= endCount);
        if (kept) keptValue[v] = true;
        return kept;
    };

    // Every item with no drop in place; a cached end answers for the windows after it.
    std::vector<std::size_t> refused;
    for (int i = 0; i < drops.GetSize(); ++i) {
        const std::size_t v = values.of[static_cast<std::size_t>(i)];
        const bool known = entry.SeriesEndKnown != 0 || seriesEnd;
        if (known && drops[i] > (seriesEnd ? *seriesEnd : entry.SeriesEnd.Get())) {
            refused.push_back(v);
            continue;
        }
        const std::optional<bool> kept = query(v, false);
        if (!kept) return false;
        if (!*kept) refused.push_back(v);
    }
    // Each refused item again with every other drop in place and no cached end.
    for (const std::size_t v : refused) {
        if (!query(v, true)) return false;
    }

    keep.assign(static_cast<std::size_t>(drops.GetSize()), false);
    for (std::size_t i = 0; i < keep.size(); ++i) keep[i] = keptValue[values.of[i]];
    if (seriesEnd) entry.SeriesEnd = *seriesEnd;
    if (counter) {
        entry.OccurrenceCounter = static_cast<std::int32_t>(
            std::min<std::int64_t>(*counter, std::numeric_limits<std::int32_t>::max()));
    }
    return true;
}

// A fixed-period series: each query's occurrence and count in closed form, the drops as the
// indices of the allowed candidates among them.
bool JudgeInClosedForm(CDateEntry& entry, const CSeriesCount& series, const CDateTimeArray& drops,
                       const SValues& values, std::vector<bool>& keep) {
    // Occurrences that end before they start: a one-instant window then meets up to two
    // candidates apart.
    if (series.GetDuration() < 0) return false;
    std::vector<std::int64_t> dropped;
    for (const CDateTime& t : values.sorted) {
        const std::int64_t k = series.IndexAt(CDateTimeRange::ToSeconds(t));
        if (k >= 0 && series.IsAllowed(k)) dropped.push_back(k);
    }
    const std::int64_t endCount = entry.Properties.RepeatEndCount;
    const bool canAny = series.CanAnyBeAllowed();
    const std::vector<std::int64_t> none;
    auto judge = [&](std::size_t v, bool withOthers) -> std::optional<SJudgement> {
        const std::int64_t seconds = CDateTimeRange::ToSeconds(values.sorted[v]);
        const std::vector<std::int64_t>& inPlace = withOthers ? dropped : none;
        const std::int64_t own = withOthers ? series.IndexAt(seconds) : -1;
        SJudgement result;
        std::int64_t k = 0;
        if (!canAny || seconds < series.GetStart() ||
            !series.FindAllowedKept(series.FirstIndexEndingFrom(seconds),
                                    series.LastIndexUpTo(seconds), inPlace, own, k)) {
            return result;
        }
        std::int64_t allowed = 0;
        if (!series.CountBefore(k + 1, allowed)) return std::nullopt;
        result.found = true;
        result.number = allowed - CSeriesCount::CountDropped(inPlace, k, own);
        if (endCount >= 1 && result.number >= endCount) {
            std::int64_t nth = 0;
            if (!series.FindNthKept(endCount, inPlace, own, k, nth)) return std::nullopt;
            CDateTime end;
            CDateTimeRange::FromSeconds(series.StartOf(nth) + series.GetDuration(), end);
            result.seriesEnd = end;
        }
        return result;
    };
    return Decide(entry, drops, values, judge, keep);
}

// More than the candidates that a walk of the series from its start meets up to a start of
// `until`, for the rules that meet at most one candidate per period (hours) or per step of
// months; nothing for other rules.
std::optional<std::int64_t> CandidatesBound(const CDateEntry& entry, const CDateTime& until) {
    const DateEntryProperties& p = entry.Properties;
    const CDateTime start = entry.GetSeriesStart();
    const std::int64_t months =
        (static_cast<std::int64_t>(until.GetYear()) - start.GetYear()) * 12 +
        (static_cast<std::int64_t>(until.GetMonth()) - start.GetMonth());
    if (p.Repeat == kRepeatEvery && p.RepeatRate >= 1) {
        const std::int64_t rate = p.RepeatRate;
        switch (p.RepeatUnit) {
            case kRepeatUnitHours:
            case kRepeatUnitDays:
            case kRepeatUnitWeeks: {
                const std::int64_t hours = p.RepeatUnit == kRepeatUnitHours  ? rate
                                           : p.RepeatUnit == kRepeatUnitDays ? rate * 24
                                                                             : rate * 168;
                const std::int64_t seconds =
                    CDateTimeRange::ToSeconds(until) - CDateTimeRange::ToSeconds(start);
                return seconds / (hours * 3600) + 2;
            }
            case kRepeatUnitMonths:
                return months / rate + 2;
            case kRepeatUnitYears:
                return months / (rate * 12) + 2;
            default:
                return std::nullopt;
        }
    }
    // A weekday rule of the table meets one candidate a month.
    if (p.Repeat == kRepeatMonthlyWeekday && p.RepeatWeekdayCount >= kRepeatWeekdayFirst &&
        p.RepeatWeekdayCount <= kRepeatWeekdayLast && p.RepeatWeekday >= 0 &&
        p.RepeatWeekday <= 6) {
        return months + 2;
    }
    return std::nullopt;
}

// Candidates that a walk may step through to count exactly before a series that cannot reach
// its count is judged without counting.
constexpr std::int64_t kCountedWalk = 4096;

// Any other repeating rule: each query's occurrence found as the query finds it, and every
// count from one walk of the series up to the farthest of those occurrences. When that walk
// would be long and the series cannot reach RepeatEndCount by then, no count can refuse a
// drop: each query keeps what it finds, and the series is not walked at all.
bool JudgeByWalk(CDateEntry& entry, const CDateTimeArray& drops, const SValues& values,
                 std::vector<bool>& keep) {
    if (entry.Properties.Repeat == kRepeatNone || entry.GetDuration().GetTotalSeconds() < 0) {
        return false;
    }
    const std::vector<CDateTime>& sorted = values.sorted;
    struct SFound {
        bool alone = false;  // with no drop in place
        CDateTime aloneStart;
        bool withOthers = false;
        CDateTime othersStart;
    };
    std::vector<SFound> found(sorted.size());
    std::optional<CDateTime> until;
    const CDateEntry::DropTest noDrop = [](const CDateTime&) { return false; };
    auto reach = [&until](const CDateTime& start) {
        if (!until || *until < start) until = start;
    };
    for (std::size_t v = 0; v < sorted.size(); ++v) {
        const CDateTime& t = sorted[v];
        auto isOther = [&sorted, &t](const CDateTime& x) {
            return x != t && std::binary_search(sorted.begin(), sorted.end(), x);
        };
        SFound& f = found[v];
        CDateTime end;
        f.alone = entry.FindFirstAllowedOccurrence(t, t, f.aloneStart, end, noDrop);
        // With the others in place the search steps through the same candidates and stops at
        // the first allowed one that no other drop takes: the same one unless another takes
        // it, and none when there was none.
        if (f.alone && !isOther(f.aloneStart)) {
            f.withOthers = true;
            f.othersStart = f.aloneStart;
        } else if (f.alone) {
            f.withOthers = entry.FindFirstAllowedOccurrence(t, t, f.othersStart, end, isOther);
        }
        if (f.alone) reach(f.aloneStart);
        if (f.withOthers) reach(f.othersStart);
    }

    const std::int64_t endCount = entry.Properties.RepeatEndCount;
    if (until) {
        const std::optional<std::int64_t> most = CandidatesBound(entry, *until);
        if (most && *most > kCountedWalk && *most < endCount) {
            auto judgeUncounted = [&](std::size_t v, bool withOthers) {
                SJudgement result;
                result.found = withOthers ? found[v].withOthers : found[v].alone;
                result.counted = false;
                return std::optional<SJudgement>(result);
            };
            return Decide(entry, drops, values, judgeUncounted, keep);
        }
    }
    CSeriesWalk walk;
    if (until && !walk.Walk(entry, *until, sorted, std::max<std::int64_t>(endCount, 0) + 1)) {
        return false;
    }
    auto judge = [&](std::size_t v, bool withOthers) -> std::optional<SJudgement> {
        const SFound& f = found[v];
        SJudgement result;
        if (!(withOthers ? f.withOthers : f.alone)) return result;
        const std::int64_t count =
            walk.Count(withOthers ? f.othersStart : f.aloneStart, withOthers, sorted[v]);
        result.found = true;
        result.number = count;
        if (endCount >= 1 && count >= endCount) {
            CDateTime end;
            if (!walk.FindEndOfNth(endCount, withOthers, sorted[v], end)) return std::nullopt;
            result.seriesEnd = end;
        }
        return result;
    };
    return Decide(entry, drops, values, judge, keep);
}

}  // namespace

bool CCountedDrops::Judge(CDateEntry& entry, const CDateTimeArray& drops, std::vector<bool>& keep) {
    for (const CDateTime& item : drops) {
        if (!CDateTimeRange::Contains(item)) return false;
    }
    const SValues values = SortValues(drops);
    if (const std::optional<CSeriesCount> series = CSeriesCount::Of(entry.Properties)) {
        return JudgeInClosedForm(entry, *series, drops, values, keep);
    }
    return JudgeByWalk(entry, drops, values, keep);
}
