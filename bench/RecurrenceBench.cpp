// Occurrence queries far from the series start: the arithmetic jump of GetFirstOccurrence
// beside stepping GetNextOccurrence from the start, the reminder operations of a series that
// ends after a count, and (when libical is found) the same first-occurrence query answered by
// libical's recurrence iterator.
#include <benchmark/benchmark.h>

#include <cstdint>
#ifdef ZF_HAVE_LIBICAL
#include <libical/ical.h>
#endif

#include "datetime/DateTime.h"
#include "store/DateEntry.h"

namespace {

const CDateTime kStart(1994, 1, 3, 9, 0, 0);
// A one-week window 30 years after the start.
const CDateTime kFrom(2024, 3, 25, 0, 0, 0);
const CDateTime kTo(2024, 3, 31, 23, 59, 59);

enum ESeriesKind { kDaily, kWeekly, kMonthly, kLastFriday };

CDateEntry MakeSeries(int kind) {
    CDateEntry entry;
    DateEntryProperties& p = entry.Properties;
    p.StartDate = kStart;
    p.EndDate = kStart + CDateTimeSpan(3600);
    p.ShowEnd = 1;
    switch (kind) {
        case kDaily:
            p.Repeat = 1;
            p.RepeatRate = 1;
            p.RepeatUnit = 2;
            break;
        case kWeekly:
            p.Repeat = 1;
            p.RepeatRate = 1;
            p.RepeatUnit = 3;
            break;
        case kMonthly:
            p.Repeat = 1;
            p.RepeatRate = 1;
            p.RepeatUnit = 4;
            break;
        default:
            p.Repeat = 2;
            p.RepeatWeekdayCount = 5;
            p.RepeatWeekday = 4;
            break;
    }
    return entry;
}

const char* KindName(int kind) {
    static const char* const kNames[] = {"daily", "weekly", "monthly", "last Friday"};
    return kNames[kind];
}

void BM_FirstOccurrenceByJump(benchmark::State& state) {
    const CDateEntry entry = MakeSeries(static_cast<int>(state.range(0)));
    state.SetLabel(KindName(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        CDateTime start;
        CDateTime end;
        benchmark::DoNotOptimize(entry.GetFirstOccurrence(kFrom, kTo, start, end));
        benchmark::DoNotOptimize(start);
    }
}

// The naive way: every occurrence from the series start until one reaches the window.
void BM_FirstOccurrenceByStepping(benchmark::State& state) {
    const CDateEntry entry = MakeSeries(static_cast<int>(state.range(0)));
    state.SetLabel(KindName(static_cast<int>(state.range(0))));
    const CDateTime seriesStart = entry.Properties.StartDate;
    std::int64_t steps = 0;
    for (auto _ : state) {
        CDateTime start;
        CDateTime end;
        bool found = entry.GetFirstOccurrence(seriesStart, kTo, start, end);
        while (found && end < kFrom) {
            found = entry.GetNextOccurrence(seriesStart, kTo, start, end);
            ++steps;
        }
        benchmark::DoNotOptimize(found);
        benchmark::DoNotOptimize(start);
    }
    state.counters["steps"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_FirstOccurrenceByJump)->DenseRange(kDaily, kLastFriday);
BENCHMARK(BM_FirstOccurrenceByStepping)->DenseRange(kDaily, kLastFriday);

// An hourly series that began five years before now, with 100 items in each list spread
// over those years. Variants: 0 never ends; 1 ends after a count that the five years do not
// reach, so every search counts the series from its start (in closed form); 2 as 1 but on
// working days only, counted in closed form by the allowed slots of one week.
CDateEntry MakeHourlyWithState(int variant, const CDateTime& now) {
    CDateEntry entry;
    DateEntryProperties& p = entry.Properties;
    p.StartDate = CDateTime(2019, 5, 17, 8, 0, 0);
    p.EndDate = p.StartDate + CDateTimeSpan(1800);
    p.ShowEnd = 1;
    p.Repeat = 1;
    p.RepeatRate = 1;
    p.RepeatUnit = 1;
    p.RepeatEnd = variant == 0 ? 0 : 1;
    p.RepeatEndCount = 1000000;
    if (variant == 2) p.CondWeekdays = 0x1F;
    const std::int64_t fiveYearsInHours = (now - p.StartDate).GetTotalSeconds() / 3600;
    for (int i = 0; i < 100; ++i) {
        const std::int64_t hours = fiveYearsInHours * i / 100;
        const CDateTime item = p.StartDate + CDateTimeSpan(hours * 3600);
        entry.DueOccurrences.Add(item);
        entry.AcknowledgedOccurrences.Add(item + CDateTimeSpan(3600));
        entry.SnoozedOccurrences.Add(item + CDateTimeSpan(2 * 3600));
        entry.SnoozeUntil.Add(now + CDateTimeSpan(86400));
        entry.DroppedOccurrences.Add(item + CDateTimeSpan(3 * 3600));
    }
    entry.LastCheckTime = now - CDateTimeSpan(3600);
    return entry;
}

const CDateTime kNow(2024, 5, 17, 8, 30, 0);

const char* VariantName(std::int64_t variant) {
    static const char* const kNames[] = {"RepeatEnd 0", "RepeatEnd 1, counted in closed form",
                                         "RepeatEnd 1, working days, counted in closed form"};
    return kNames[variant];
}

void BM_UpdateReminders(benchmark::State& state) {
    const CDateEntry prepared = MakeHourlyWithState(static_cast<int>(state.range(0)), kNow);
    state.SetLabel(VariantName(state.range(0)));
    for (auto _ : state) {
        CDateEntry entry = prepared;
        benchmark::DoNotOptimize(entry.UpdateReminders(kNow));
    }
}

void BM_PurgeOccurrenceLists(benchmark::State& state) {
    const CDateEntry prepared = MakeHourlyWithState(static_cast<int>(state.range(0)), kNow);
    state.SetLabel(VariantName(state.range(0)));
    for (auto _ : state) {
        CDateEntry entry = prepared;
        entry.PurgeOccurrenceLists();
        benchmark::DoNotOptimize(entry.DueOccurrences.GetSize());
    }
}

// A year of hourly occurrences made due by one update (the last check a year back).
void BM_UpdateRemindersOverAYear(benchmark::State& state) {
    CDateEntry prepared = MakeHourlyWithState(static_cast<int>(state.range(0)), kNow);
    prepared.LastCheckTime = kNow - CDateTimeSpan(365 * 86400);
    state.SetLabel(VariantName(state.range(0)));
    for (auto _ : state) {
        CDateEntry entry = prepared;
        benchmark::DoNotOptimize(entry.UpdateReminders(kNow));
    }
}

// The copy of the prepared entry that each run above includes.
void BM_CopyPreparedEntry(benchmark::State& state) {
    const CDateEntry prepared = MakeHourlyWithState(1, kNow);
    for (auto _ : state) {
        CDateEntry entry = prepared;
        benchmark::DoNotOptimize(entry.DueOccurrences.GetSize());
    }
}

// The peer query: the first occurrence of a daily series started 2000-01-01 09:00 in a week
// of June 2030, without an end (0) and ending after 20,000 occurrences (1), which a count
// has to confirm.
const CDateTime kPeerStart(2000, 1, 1, 9, 0, 0);
const CDateTime kPeerFrom(2030, 6, 3, 0, 0, 0);
const CDateTime kPeerTo(2030, 6, 9, 23, 59, 59);
constexpr int kPeerCount = 20000;

const char* PeerName(std::int64_t counted) {
    return counted != 0 ? "COUNT=20000" : "no end";
}

void BM_PeerFirstOccurrenceOurs(benchmark::State& state) {
    CDateEntry entry;
    DateEntryProperties& p = entry.Properties;
    p.StartDate = kPeerStart;
    p.EndDate = kPeerStart;
    p.ShowEnd = 0;
    p.Repeat = 1;
    p.RepeatRate = 1;
    p.RepeatUnit = 2;
    p.RepeatEnd = state.range(0) != 0 ? 1 : 0;
    p.RepeatEndCount = kPeerCount;
    state.SetLabel(PeerName(state.range(0)));
    for (auto _ : state) {
        CDateTime start;
        CDateTime end;
        benchmark::DoNotOptimize(entry.FindFirstOccurrence(kPeerFrom, kPeerTo, start, end));
        benchmark::DoNotOptimize(start);
    }
}

#ifdef ZF_HAVE_LIBICAL
icaltimetype IcalTime(const CDateTime& t) {
    icaltimetype value = icaltime_null_time();
    value.year = t.GetYear();
    value.month = t.GetMonth();
    value.day = t.GetDay();
    value.hour = t.GetHour();
    value.minute = t.GetMinute();
    value.second = t.GetSecond();
    return value;
}

icalrecurrencetype PeerRule(std::int64_t counted) {
    return icalrecurrencetype_from_string(counted != 0 ? "FREQ=DAILY;COUNT=20000" : "FREQ=DAILY");
}

// libical's iterator from DTSTART until an occurrence reaches the window.
void BM_PeerFirstOccurrenceLibicalIterating(benchmark::State& state) {
    const icalrecurrencetype rule = PeerRule(state.range(0));
    const icaltimetype start = IcalTime(kPeerStart);
    const icaltimetype from = IcalTime(kPeerFrom);
    state.SetLabel(PeerName(state.range(0)));
    for (auto _ : state) {
        icalrecur_iterator* iterator = icalrecur_iterator_new(rule, start);
        icaltimetype next = icalrecur_iterator_next(iterator);
        while (!icaltime_is_null_time(next) && icaltime_compare(next, from) < 0) {
            next = icalrecur_iterator_next(iterator);
        }
        benchmark::DoNotOptimize(next);
        icalrecur_iterator_free(iterator);
    }
}

// libical's jump: icalrecur_iterator_set_start to the window; refused for a rule with COUNT.
void BM_PeerFirstOccurrenceLibicalJump(benchmark::State& state) {
    const icalrecurrencetype rule = PeerRule(0);
    const icaltimetype start = IcalTime(kPeerStart);
    const icaltimetype from = IcalTime(kPeerFrom);
    state.SetLabel(PeerName(0));
    for (auto _ : state) {
        icalrecur_iterator* iterator = icalrecur_iterator_new(rule, start);
        const int jumped = icalrecur_iterator_set_start(iterator, from);
        benchmark::DoNotOptimize(jumped);
        icaltimetype next = icalrecur_iterator_next(iterator);
        benchmark::DoNotOptimize(next);
        icalrecur_iterator_free(iterator);
    }
}

BENCHMARK(BM_PeerFirstOccurrenceLibicalIterating)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeerFirstOccurrenceLibicalJump)->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_PeerFirstOccurrenceOurs)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_UpdateReminders)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PurgeOccurrenceLists)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateRemindersOverAYear)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyPreparedEntry)->Unit(benchmark::kMicrosecond);

}  // namespace
