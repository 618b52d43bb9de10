// Dropped occurrences by the thousand: dropping n occurrences one at a time, the merge of an
// entry with n drops, and the count of a monthly weekday series through hundreds of them.
// Only operations that every version of the store has, so that builds compare side by side.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "datetime/DateTime.h"
#include "store/DateEntry.h"
#include "store/EventData.h"
#include "sync/EventMerge.h"

namespace {

// A daily series from 1900 and its first n occurrences, in order.
CDateEntry Daily() {
    CDateEntry entry;
    DateEntryProperties& p = entry.Properties;
    p.StartDate = CDateTime(1900, 1, 1, 9, 0, 0);
    p.EndDate = p.StartDate;
    p.Repeat = 1;
    p.RepeatRate = 1;
    p.RepeatUnit = 2;
    return entry;
}

std::vector<CDateTime> Occurrences(const CDateEntry& entry, std::int64_t n) {
    std::vector<CDateTime> starts;
    CDateTime start;
    CDateTime end;
    const CDateTime from = entry.Properties.StartDate;
    const CDateTime to(9999, 1, 1, 0, 0, 0);
    for (bool found = entry.GetFirstOccurrence(from, to, start, end);
         found && static_cast<std::int64_t>(starts.size()) < n;
         found = entry.GetNextOccurrence(from, to, start, end)) {
        starts.push_back(start);
    }
    return starts;
}

void BM_DropOccurrences(benchmark::State& state) {
    const std::vector<CDateTime> drops = Occurrences(Daily(), state.range(0));
    for (auto _ : state) {
        CDateEntry entry = Daily();
        for (const CDateTime& t : drops) entry.DropOccurrence(t);
        benchmark::DoNotOptimize(entry.GetDroppedOccurrenceCount());
    }
    state.SetComplexityN(state.range(0));
}

// A stored entry with n drops, the feed's entry (same GUID) with the same n but every tenth left
// out and as many new ones: the merge restores a tenth and drops a tenth anew.
struct SMerge {
    CDateEntry stored = Daily();
    CDateEntry feed = Daily();
};

SMerge MakeMerge(std::int64_t n) {
    SMerge merge;
    merge.feed.Properties.GUID = merge.feed.MakeText(merge.stored.GetGuid());
    const std::vector<CDateTime> all = Occurrences(merge.stored, n + n / 10);
    for (std::int64_t i = 0; i < n; ++i) {
        merge.stored.DroppedOccurrences.Add(all[static_cast<std::size_t>(i)]);
    }
    for (std::int64_t i = 0; i < n + n / 10; ++i) {
        if (i % 10 != 3) merge.feed.DroppedOccurrences.Add(all[static_cast<std::size_t>(i)]);
    }
    return merge;
}

void BM_MergeDrops(benchmark::State& state) {
    const SMerge prepared = MakeMerge(state.range(0));
    CDateEntryArray feed;
    feed.Add(prepared.feed);
    for (auto _ : state) {
        CEventData data;
        data.DateEntries2.Add(prepared.stored);
        CEventMerge::ApplyFeed(data, feed, CStringArray());
        benchmark::DoNotOptimize(data.DateEntries2[0].GetDroppedOccurrenceCount());
    }
    state.SetComplexityN(state.range(0));
}

// The count of the first Monday of every month from 1900 up to 2026 with every other of its
// occurrences dropped: each candidate is checked against the drops.
void BM_CountThroughDrops(benchmark::State& state) {
    CDateEntry entry;
    DateEntryProperties& p = entry.Properties;
    p.StartDate = CDateTime(1900, 1, 1, 9, 0, 0);
    p.EndDate = p.StartDate;
    p.Repeat = 2;
    p.RepeatWeekdayCount = 0;
    p.RepeatWeekday = 0;
    const std::vector<CDateTime> starts = Occurrences(entry, 1512);
    for (std::size_t i = 0; i < starts.size(); i += 2) entry.DroppedOccurrences.Add(starts[i]);
    const CDateTime until(2026, 1, 1, 0, 0, 0);
    for (auto _ : state) benchmark::DoNotOptimize(entry.CountOccurrencesUntil(until));
    state.SetLabel(std::to_string(entry.GetDroppedOccurrenceCount()) + " drops");
}

}  // namespace

BENCHMARK(BM_DropOccurrences)
    ->RangeMultiplier(4)
    ->Range(1000, 64000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeDrops)->RangeMultiplier(4)->Range(1000, 64000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountThroughDrops)->Unit(benchmark::kMicrosecond);
