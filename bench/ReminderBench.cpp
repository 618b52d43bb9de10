// Reminder operations over long lists: lapsing and merging 10,000 due occurrences, each beside
// the same operation done by one list scan per item (the test suite's reference).
#include <benchmark/benchmark.h>

#include <string>

#include "datetime/DateTime.h"
#include "store/DateEntry.h"
#include "store/ReminderScanReference.h"

namespace {

const CDateTime kNow(2024, 5, 17, 8, 30, 0);

// A 3-hourly series from year 1 whose occurrences last until 2025, so that every one overlaps
// now and lapses once the next has begun (OverdueAction 2), with one update's bound of
// occurrences due and not yet lapsed.
CDateEntry MakeDueBound() {
    CDateEntry entry;
    DateEntryProperties& p = entry.Properties;
    p.StartDate = CDateTime(1, 1, 1, 0, 0, 0);
    p.EndDate = CDateTime(2025, 1, 1, 0, 0, 0);
    p.ShowEnd = 1;
    p.Repeat = 1;
    p.RepeatRate = 3;
    p.RepeatUnit = 1;
    p.Forewarn = 1;
    const CDateTime lastCheck = entry.LastCheckTime;
    entry.UpdateReminders(kNow);
    entry.LastCheckTime = lastCheck;
    p.OverdueAction = 2;
    return entry;
}

void BM_LapseDueBound(benchmark::State& state) {
    const CDateEntry prepared = MakeDueBound();
    for (auto _ : state) {
        CDateEntry entry = prepared;
        benchmark::DoNotOptimize(entry.LapseOverdueReminders(kNow));
    }
    state.SetLabel(std::to_string(prepared.DueOccurrences.GetSize()) + " due");
}

void BM_LapseDueBoundByScans(benchmark::State& state) {
    const CDateEntry prepared = MakeDueBound();
    for (auto _ : state) {
        CDateEntry entry = prepared;
        benchmark::DoNotOptimize(reference::Lapse(entry, kNow));
    }
}

// A stored entry with the due bound merged with a copy in which all of them are settled.
void BM_MergeDueBound(benchmark::State& state) {
    const CDateEntry prepared = MakeDueBound();
    CDateEntry settled = prepared;
    settled.LapseOverdueReminders(kNow);
    for (auto _ : state) {
        CDateEntry entry = prepared;
        entry.MergeOccurrenceState(settled, true);
        benchmark::DoNotOptimize(entry.DueOccurrences.GetSize());
    }
}

void BM_MergeDueBoundByScans(benchmark::State& state) {
    const CDateEntry prepared = MakeDueBound();
    CDateEntry settled = prepared;
    settled.LapseOverdueReminders(kNow);
    for (auto _ : state) {
        CDateEntry entry = prepared;
        reference::Merge(entry, settled, true);
        benchmark::DoNotOptimize(entry.DueOccurrences.GetSize());
    }
}

// One whole update of the series above: 10,000 occurrences made due and lapsed.
void BM_UpdateRemindersDueBound(benchmark::State& state) {
    CDateEntry prepared = MakeDueBound();
    prepared.DueOccurrences.RemoveAll();
    for (auto _ : state) {
        CDateEntry entry = prepared;
        benchmark::DoNotOptimize(entry.UpdateReminders(kNow));
    }
}

}  // namespace

BENCHMARK(BM_LapseDueBound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapseDueBoundByScans)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeDueBound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeDueBoundByScans)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateRemindersDueBound)->Unit(benchmark::kMillisecond);
