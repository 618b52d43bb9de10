#include "store/Agenda.h"

#include <algorithm>
#include <optional>

#include "datetime/DateTimeRange.h"
#include "platform/Platform.h"
#include "store/DateEntry.h"
#include "store/DateEntryCodes.h"
#include "store/EventData.h"
#include "store/EventDump.h"

namespace {

// The first instant of the first 29th after the day of `after`.
CDateTime Next29th(const CDateTime& after) {
    int year = after.GetYear();
    int month = after.GetMonth();
    if (after.GetDay() >= 29 && ++month > 12) {
        month = 1;
        ++year;
    }
    if (CDateTime::DaysInMonth(year, month) < 29) ++month;  // only February lacks a 29th
    return CDateTime(year, month, 29);
}

void AddItems(const CDateEntryArray& list, const CDateTime& from, const CDateTime& to,
              std::vector<CAgenda::SItem>& items) {
    std::vector<CDateTime> starts;
    std::vector<CDateTime> ends;
    for (int i = 0; i < list.GetSize(); ++i) {
        const CDateEntry& entry = list[i];
        starts.clear();
        ends.clear();
        CAgenda::Collect(entry, from, to, starts, ends);
        for (std::size_t k = 0; k < starts.size(); ++k) {
            items.push_back({entry.Properties.GUID.ToString(),
                             entry.Properties.Description.ToString(), starts[k], ends[k],
                             entry.Properties.ShowStartTime == 0});
        }
    }
}

}  // namespace

void CAgenda::Collect(const CDateEntry& entry, const CDateTime& from, const CDateTime& to,
                      std::vector<CDateTime>& starts, std::vector<CDateTime>& ends) {
    CDateEntry copy(entry);
    copy.SeriesEndKnown = 0;
    const DateEntryProperties& p = copy.Properties;
    const bool gaps = p.RepeatWeekdayCount == kRepeatWeekdayFifth && p.Repeat != kRepeatNone &&
                      !(p.Repeat == kRepeatEvery && p.RepeatRate < 1);
    std::optional<CDateTime> last;
    CDateTime windowStart = from;
    while (windowStart <= to) {
        CDateTime start;
        CDateTime end;
        bool found = copy.FindFirstOccurrence(windowStart, to, start, end);
        while (found) {
            if (start >= from && start <= to && (!last || start > *last)) {
                starts.push_back(start);
                ends.push_back(end);
                last = start;
            }
            found = copy.FindNextOccurrence(windowStart, to, start, end);
        }
        if (!gaps) break;
        if (p.RepeatEnd == kRepeatEndAtDate && windowStart > p.RepeatEndDate) break;
        if (p.RepeatEnd == kRepeatEndAfterCount && copy.SeriesEndKnown != 0 &&
            windowStart > copy.SeriesEnd) {
            break;
        }
        windowStart = Next29th(last && *last > windowStart ? *last : windowStart);
    }
}

std::vector<CAgenda::SItem> CAgenda::List(const CEventData& data, const CDateTime& from,
                                          const CDateTime& to) {
    std::vector<SItem> items;
    AddItems(data.DateEntries1, from, to, items);
    AddItems(data.DateEntries2, from, to, items);
    std::stable_sort(items.begin(), items.end(), [](const SItem& a, const SItem& b) {
        if (a.Start != b.Start) return a.Start < b.Start;
        return a.Guid < b.Guid;
    });
    return items;
}

void CAgenda::WriteText(const std::vector<SItem>& items, std::ostream& out) {
    CPlatform& platform = CPlatform::Current();
    for (const SItem& item : items) {
        out << item.Start.Format("%Y-%m-%d");
        if (item.WholeDay) {
            out << "  all day  ";
        } else {
            out << item.Start.Format(" %H:%M") << "\xE2\x80\x93" << item.End.Format("%H:%M")
                << "  ";
        }
        out << platform.AnsiToUtf8(item.Description) << '\n';
    }
}

void CAgenda::WriteJson(const std::vector<SItem>& items, std::ostream& out) {
    constexpr const char* kTime = "%Y-%m-%dT%H:%M:%S";
    out << '[';
    const char* separator = "\n";
    for (const SItem& item : items) {
        out << separator << "{\"guid\": " << CEventDump::JsonString(item.Guid)
            << ", \"description\": " << CEventDump::JsonString(item.Description)
            << ", \"start\": \"" << item.Start.Format(kTime) << "\", \"end\": \""
            << item.End.Format(kTime) << "\", \"wholeDay\": " << (item.WholeDay ? "true" : "false")
            << '}';
        separator = ",\n";
    }
    out << (items.empty() ? "]\n" : "\n]\n");
}
