// 10,000 events, a fifth of them weekly series without end, imported as iCalendar events
// (mapped onto checked entries up to the horizon) beside the same entries read from an INI
// feed. The iCalendar side starts from events already parsed and expanded (CIcalEvent): what
// the mapping and its check against the calendar's own queries cost.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "feed/FeedReader.h"
#include "ical/TimeZone.h"
#include "icalmap/EventMapper.h"
#include "platform/Platform.h"

namespace {

constexpr int kEvents = 10000;
constexpr int kEveryRecurring = 5;

class CFixedZone : public CTimeZone {
public:
    explicit CFixedZone(int offset) : m_offset(offset) {}
    int OffsetAtUtc(IcalSeconds) const override { return m_offset; }
    std::string Name() const override { return "fixed"; }

private:
    int m_offset;
};

const CFixedZone kLocal(3600);
const CFixedZone kUtc(0);
const CDateTime kNow(2026, 12, 10, 12, 0, 0);

IcalSeconds Wall(int dayOffset, int hour) {
    return CCivilTime::ToSeconds({2026, 1, 5, hour, 0, 0}) +
           static_cast<IcalSeconds>(dayOffset) * CCivilTime::kSecondsPerDay;
}

std::vector<CIcalEvent> MakeEvents() {
    std::vector<CIcalEvent> events(kEvents);
    const IcalSeconds horizon = CCivilTime::ToSeconds({2030, 1, 1, 0, 0, 0});
    for (int i = 0; i < kEvents; ++i) {
        CIcalEvent& event = events[static_cast<std::size_t>(i)];
        event.GuidName = "event-" + std::to_string(i) + "@bench.example";
        event.Summary = "Event " + std::to_string(i);
        event.Zone = &kUtc;
        event.HasEnd = true;
        event.Length = 3600;
        const IcalSeconds first = Wall(i % 365, 8 + i % 10);
        if (i % kEveryRecurring == 0) {
            CRuleCandidates::SRule rule;
            rule.Frequency = CRuleCandidates::EFrequency::Weekly;
            event.Rule = rule;
            for (IcalSeconds start = first; start < horizon;
                 start += 7 * CCivilTime::kSecondsPerDay) {
                event.Starts.push_back(start);
            }
        } else {
            event.Starts.push_back(first);
            event.LastStart = first;
        }
    }
    return events;
}

void BM_MapIcalEvents(benchmark::State& state) {
    const std::vector<CIcalEvent> events = MakeEvents();
    CPlatform& platform = CPlatform::Default();
    std::size_t entries = 0;
    for (auto _ : state) {
        entries = 0;
        CDateEntryArray list;
        for (const CIcalEvent& event : events) {
            entries += CEventMapper::Map(event, kLocal, kNow, platform, list).Entries;
        }
        benchmark::DoNotOptimize(entries);
    }
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_MapIcalEvents)->Unit(benchmark::kMillisecond);

void BM_ReadIniFeed(benchmark::State& state) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "zf-ical-import-bench.ini";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < kEvents; ++i) {
            const CCivilFields f = CCivilTime::FromSeconds(Wall(i % 365, 9 + i % 10));
            char start[32];
            std::snprintf(start, sizeof start, "%04d %02d %02d %02d 00 00", f.year, f.month, f.day,
                          f.hour);
            char end[32];
            std::snprintf(end, sizeof end, "%04d %02d %02d %02d 00 00", f.year, f.month, f.day,
                          f.hour + 1);
            out << "[DateEntry " << i << "]\nGUID={" << i << "}\nStorageType=1\nDescription=Event "
                << i << "\nStartDate=" << start << "\nEndDate=" << end
                << "\nRepeat=" << (i % kEveryRecurring == 0 ? 1 : 0)
                << "\nRepeatRate=1\nRepeatUnit=3\n";
        }
    }
    CDateEntryArray entries;
    CStringArray removeGuids;
    for (auto _ : state) {
        entries.RemoveAll();
        removeGuids.RemoveAll();
        benchmark::DoNotOptimize(CFeedReader::ReadFeed(path.string(), entries, removeGuids));
    }
    state.counters["entries"] = entries.GetSize();
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadIniFeed)->Unit(benchmark::kMillisecond);

}  // namespace
