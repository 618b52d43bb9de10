// The offset of a system zone at an instant, as the event mapper asks it for every occurrence:
// within the zone file's table of changes and beyond it, where the footer's yearly rule holds.
#include <benchmark/benchmark.h>

#include "ical/SystemZones.h"
#include "platform/Platform.h"

namespace {

void OffsetsFrom(benchmark::State& state, int firstYear) {
    const auto zone = CSystemZones::Find(CPlatform::Default(), "Europe/Berlin");
    if (zone == nullptr) {
        state.SkipWithError("no Europe/Berlin in the system's zone data");
        return;
    }
    // A week and some minutes apart: every day of the week, every hour, across the changes.
    const IcalSeconds step = 7 * CCivilTime::kSecondsPerDay + 3 * 3600 + 17 * 60;
    const IcalSeconds first = CCivilTime::ToSeconds(CCivilFields{firstYear, 1, 1, 0, 0, 0});
    const IcalSeconds span = 10 * 365 * CCivilTime::kSecondsPerDay;
    IcalSeconds utc = first;
    for (auto _ : state) {
        benchmark::DoNotOptimize(zone->OffsetAtUtc(utc));
        utc += step;
        if (utc >= first + span) utc = first;
    }
}

void BM_OffsetWithinTheTable(benchmark::State& state) {
    OffsetsFrom(state, 2020);
}
void BM_OffsetByTheYearlyRule(benchmark::State& state) {
    OffsetsFrom(state, 2040);
}

// A lookup reads and parses the zone's data: callers keep a zone for all events naming it.
void BM_FindZone(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(CSystemZones::Find(CPlatform::Default(), "Europe/Berlin"));
    }
}

}  // namespace

BENCHMARK(BM_FindZone);
BENCHMARK(BM_OffsetWithinTheTable);
BENCHMARK(BM_OffsetByTheYearlyRule);
