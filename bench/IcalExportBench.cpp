// The iCalendar export of a large calendar beside the JSON listing of the same entries:
// both walk every entry and write text, the export also checks each repeat rule against the
// calendar's occurrences up to its horizon.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "console/JsonText.h"
#include "icalmap/IcalExport.h"
#include "store/EventData.h"

namespace {

constexpr int kDateEntries = 100000;

// A calendar of appointments: seven in ten single ones over 2020..2026, the rest weekly,
// daily, monthly (some on the 31st), n-th weekday and yearly series, half of them ending
// after a count or at a date, a few with conditions and dropped occurrences.
CEventData MakeData() {
    CEventData data;
    const CDateTime base(2020, 1, 1, 9, 0, 0);
    for (int i = 0; i < kDateEntries; ++i) {
        CDateEntry e;
        DateEntryProperties& p = e.Properties;
        p.StorageType = 1;
        p.Category = e.MakeText("Work " + std::to_string(i % 12));
        p.Description =
            e.MakeText("Project review meeting with the team, room " + std::to_string(i % 40));
        p.Notes = e.MakeText(std::string(120, 'n') + std::to_string(i));
        p.StartDate = base + CDateTimeSpan(i % 2500, i % 10, (i % 4) * 15, 0);
        p.EndDate = p.StartDate + CDateTimeSpan(0, 1, 0, 0);
        p.RepeatEndDate = p.StartDate + CDateTimeSpan(400, 0, 0, 0);
        p.Forewarn = i % 3 == 0;
        p.ForewarnSpan = 15;
        switch (i % 20) {
            case 0:
            case 1:
                p.Repeat = kRepeatEvery;  // weekly
                p.RepeatRate = 1;
                p.RepeatUnit = kRepeatUnitWeeks;
                break;
            case 2:
                p.Repeat = kRepeatEvery;  // daily on weekdays
                p.RepeatRate = 1;
                p.RepeatUnit = kRepeatUnitDays;
                p.CondWeekdays = 0x1F;
                break;
            case 3:
                p.Repeat = kRepeatEvery;  // monthly, from the 31st every seventh time
                p.RepeatRate = 1;
                p.RepeatUnit = kRepeatUnitMonths;
                if (i % 7 == 0) p.StartDate = CDateTime(2021, 1, 31, 10, 0, 0);
                break;
            case 4:
                p.Repeat = kRepeatMonthlyWeekday;
                p.RepeatWeekdayCount = i % 6;
                p.RepeatWeekday = i % 7;
                break;
            case 5:
                p.Repeat = kRepeatEvery;  // a birthday
                p.RepeatRate = 1;
                p.RepeatUnit = kRepeatUnitYears;
                p.ShowStartTime = 0;
                break;
            default:
                break;
        }
        if (p.Repeat != kRepeatNone && i % 2 == 0) {
            p.RepeatEnd = i % 4 == 0 ? kRepeatEndAfterCount : kRepeatEndAtDate;
            p.RepeatEndCount = 10 + i % 50;
        }
        if (p.Repeat != kRepeatNone && i % 9 == 0) {
            e.DroppedOccurrences.Add(p.StartDate + CDateTimeSpan(28, 0, 0, 0));
        }
        (i % 10 == 0 ? data.DateEntries1 : data.DateEntries2).Add(std::move(e));
    }
    return data;
}

const CEventData& Data() {
    static const CEventData data = MakeData();
    return data;
}

void BM_ExportIcal(benchmark::State& state) {
    const CEventData& data = Data();
    for (auto _ : state) {
        CIcalExport exporter(CDateTime(2026, 12, 10, 23, 0, 0), {2026, 12, 10, 22, 0, 0}, "1.0");
        const std::string text = exporter.Write(data);
        benchmark::DoNotOptimize(text.data());
        state.counters["bytes"] = static_cast<double>(text.size());
    }
}

void BM_DumpJson(benchmark::State& state) {
    const CEventData& data = Data();
    for (auto _ : state) {
        std::ostringstream out;
        CJsonText::WriteEventData(data, out);
        benchmark::DoNotOptimize(out.str().data());
        state.counters["bytes"] = static_cast<double>(out.str().size());
    }
}

BENCHMARK(BM_ExportIcal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DumpJson)->Unit(benchmark::kMillisecond);

}  // namespace
