// The agenda of one year: a thousand weekly entries, and beside them entries of the fuzzing
// feeds' kind (an hourly series from year 1 whose occurrences last two thousand years, so that
// each occurrence of the year overlaps millions of earlier ones). Only operations that every
// version of the store has, so that builds compare side by side.
#include <benchmark/benchmark.h>

#include <string>

#include "datetime/DateTime.h"
#include "store/Agenda.h"
#include "store/DateEntry.h"
#include "store/EventData.h"

namespace {

CEventData MakeData(int weekly, int hostile) {
    CEventData data;
    for (int i = 0; i < weekly; ++i) {
        CDateEntry entry;
        DateEntryProperties& p = entry.Properties;
        p.StartDate = CDateTime(2020, 1, 1 + i % 28, 8 + i % 10, 0, 0);
        p.EndDate = p.StartDate + CDateTimeSpan(0, 1, 0, 0);
        p.Repeat = 1;
        p.RepeatRate = 1;
        p.RepeatUnit = 3;
        data.DateEntries2.Add(entry);
    }
    for (int i = 0; i < hostile; ++i) {
        CDateEntry entry;
        DateEntryProperties& p = entry.Properties;
        p.StartDate = CDateTime(1, 1, 1, 0, 0, 0);
        p.EndDate = CDateTime(2026, 1, 1, 0, 0, 0);
        p.ShowEnd = 1;
        p.Repeat = 1;
        p.RepeatRate = 1;
        p.RepeatUnit = 1;
        p.RepeatEnd = 1;
        p.RepeatEndCount = 2147483647;
        p.CondWeekdays = 63;
        entry.DroppedOccurrences.Add(CDateTime(20000, 1, 1, 0, 0, 0));
        data.DateEntries2.Add(entry);
    }
    return data;
}

void BM_AgendaYear(benchmark::State& state) {
    CEventData data = MakeData(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const CDateTime from(2026, 1, 1, 0, 0, 0);
    const CDateTime to(2026, 12, 31, 23, 59, 59);
    std::size_t items = 0;
    for (auto _ : state) {
        items = CAgenda::List(data, from, to).size();
        benchmark::DoNotOptimize(items);
    }
    state.SetLabel(std::to_string(items) + " occurrences");
}

}  // namespace

BENCHMARK(BM_AgendaYear)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({1000, 10})
    ->Unit(benchmark::kMillisecond);
