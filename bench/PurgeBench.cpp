// The purge of a series that ends after a count, with thousands of dropped occurrences that
// all stay (each pushes the series' one occurrence a step on): the first Monday of every
// month and a yearly date, beside the judgement by one query per drop (the test suite's
// reference) where that finishes at all.
#include <benchmark/benchmark.h>

#include <string>

#include "datetime/DateTime.h"
#include "datetime/DateTimeRange.h"
#include "store/DateEntry.h"
#include "store/PurgeReference.h"

namespace {

enum ESeriesKind { kFirstMonday, kYearly };

// A series from 2000 counted to one occurrence, with its first `drops` occurrences dropped.
CDateEntry MakeDropped(int kind, int drops) {
    CDateEntry entry;
    DateEntryProperties& p = entry.Properties;
    p.StartDate =
        kind == kFirstMonday ? CDateTime(2000, 1, 3, 9, 0, 0) : CDateTime(2000, 2, 29, 9, 0, 0);
    p.EndDate = p.StartDate + CDateTimeSpan(3600);
    p.ShowEnd = 1;
    if (kind == kFirstMonday) {
        p.Repeat = 2;
        p.RepeatWeekdayCount = 0;
        p.RepeatWeekday = 0;
    } else {
        p.Repeat = 1;
        p.RepeatRate = 1;
        p.RepeatUnit = 5;
    }
    p.RepeatEnd = 1;
    p.RepeatEndCount = 1;
    CDateTime start;
    CDateTime end;
    bool found = entry.GetFirstOccurrence(p.StartDate, CDateTimeRange::Last(), start, end);
    for (int i = 0; found && i < drops; ++i) {
        entry.DroppedOccurrences.Add(start);
        found = entry.GetNextOccurrence(p.StartDate, CDateTimeRange::Last(), start, end);
    }
    return entry;
}

void Label(benchmark::State& state, const CDateEntry& prepared) {
    state.SetLabel(std::string(state.range(0) == kFirstMonday ? "first Monday" : "yearly") + ", " +
                   std::to_string(prepared.DroppedOccurrences.GetSize()) + " drops");
    // Seconds per thousand drops.
    state.counters["per1000"] = benchmark::Counter(
        prepared.DroppedOccurrences.GetSize() / 1000.0,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PurgeCountedDrops(benchmark::State& state) {
    const CDateEntry prepared =
        MakeDropped(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        CDateEntry entry = prepared;
        entry.PurgeOccurrenceLists();
        benchmark::DoNotOptimize(entry.DroppedOccurrences.GetSize());
    }
    Label(state, prepared);
}

void BM_PurgeCountedDropsByQueries(benchmark::State& state) {
    const CDateEntry prepared =
        MakeDropped(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        CDateEntry entry = prepared;
        reference::PurgeDropsByQueries(entry);
        benchmark::DoNotOptimize(entry.DroppedOccurrences.GetSize());
    }
    Label(state, prepared);
}

// The fuzzing feed's case: the first Monday of every month from 2000, counted to INT32_MAX,
// its occurrences lasting 26 years, and one drop millions of years ahead, which the
// occurrence that covers it keeps.
void BM_PurgeFarDrop(benchmark::State& state) {
    CDateEntry prepared;
    DateEntryProperties& p = prepared.Properties;
    p.StartDate = CDateTime(2000, 1, 3, 9, 0, 0);
    p.EndDate = CDateTime(2026, 12, 11, 8, 40, 0);
    p.ShowEnd = 1;
    p.Repeat = 2;
    p.RepeatWeekdayCount = 0;
    p.RepeatWeekday = 0;
    p.RepeatEnd = 1;
    p.RepeatEndCount = 2147483647;
    prepared.DroppedOccurrences.Add(CDateTime::FromStored(2147483000, 0));
    for (auto _ : state) {
        CDateEntry entry = prepared;
        entry.PurgeOccurrenceLists();
        benchmark::DoNotOptimize(entry.DroppedOccurrences.GetSize());
    }
}

// The far-future-drop fixture's entry: hourly from the year 1, counted to INT32_MAX, one
// drop in the year 20000, and the most reminders one update lists (10,000 hours): the purge
// checks each listed occurrence with a query of its own.
void BM_PurgeListedOccurrences(benchmark::State& state) {
    CDateEntry prepared;
    DateEntryProperties& p = prepared.Properties;
    p.StartDate = CDateTime(1, 1, 1, 0, 0, 0);
    p.EndDate = p.StartDate;
    p.Repeat = 1;
    p.RepeatRate = 1;
    p.RepeatUnit = 1;
    p.RepeatEnd = 1;
    p.RepeatEndCount = 2147483647;
    p.CondWeekdays = 63;
    prepared.DroppedOccurrences.Add(CDateTime(20000, 1, 1, 0, 0, 0));
    for (int hour = 0; hour < CDateEntry::kMostNewDuePerUpdate; ++hour) {
        prepared.DueOccurrences.Add(CDateTime(1, 1, 1, 0, 0, 0) + CDateTimeSpan(hour * 3600));
    }
    for (auto _ : state) {
        CDateEntry entry = prepared;
        entry.PurgeOccurrenceLists();
        benchmark::DoNotOptimize(entry.DueOccurrences.GetSize());
    }
    state.counters["listed"] = prepared.DueOccurrences.GetSize();
}

}  // namespace

BENCHMARK(BM_PurgeFarDrop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PurgeListedOccurrences)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PurgeCountedDrops)
    ->ArgsProduct({{kFirstMonday, kYearly}, {2000, 20000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PurgeCountedDropsByQueries)
    ->ArgsProduct({{kFirstMonday, kYearly}, {2000}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
