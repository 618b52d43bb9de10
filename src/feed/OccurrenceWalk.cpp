#include "feed/OccurrenceWalk.h"

#include <optional>

#include "datetime/DateTimeRange.h"
#include "store/DateEntry.h"

namespace {

// The first instant of a 29th after `after`: the 29th of its month when that is still to
// come, else of the next month that has one.
CDateTime Next29th(const CDateTime& after) {
    int year = after.GetYear();
    int month = after.GetMonth();
    if (after.GetDay() >= 29) {
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    if (CDateTime::DaysInMonth(year, month) < 29) ++month;  // only February lacks a 29th
    return CDateTime(year, month, 29);
}

}  // namespace

bool COccurrenceWalk::Collect(const CDateEntry& entry, const CDateTime& horizon, std::size_t most,
                              std::vector<CDateTime>& starts) {
    CDateEntry copy(entry);
    copy.SeriesEndKnown = 0;
    const DateEntryProperties& p = copy.Properties;
    const std::int64_t duration = copy.GetDuration().GetTotalSeconds();
    CDateTime to;
    if (!CDateTimeRange::TryAdd(horizon, -1, to)) return true;
    CDateTime seriesStart = p.StartDate;
    if (p.ShowStartTime == 0) seriesStart.SetTime(0, 0, 0);

    // Only the fifth-weekday check leaves gaps that end a walk early; every other rule's walk
    // ends where the series does.
    const bool gaps = p.RepeatWeekdayCount == kRepeatWeekdayFifth && p.Repeat != kRepeatNone &&
                      !(p.Repeat == kRepeatEvery && p.RepeatRate < 1);
    std::optional<CDateTime> last;
    CDateTime from = seriesStart;
    while (from < horizon) {
        // A window from t + D holds exactly the occurrences that start at t or later (and
        // with D < 0 a few before, which are already listed): its first occurrence is the
        // first to start from t.
        const CDateTime windowStart = CDateTimeRange::AddClamped(from, duration);
        CDateTime start;
        CDateTime end;
        bool found = copy.FindFirstOccurrence(windowStart, to, start, end);
        while (found && start < horizon) {
            if (!last || start > *last) {
                starts.push_back(start);
                last = start;
                if (starts.size() >= most) return false;
            }
            found = copy.FindNextOccurrence(windowStart, to, start, end);
        }
        if (!gaps) break;
        if (p.RepeatEnd == kRepeatEndAtDate && from > p.RepeatEndDate) break;
        if (p.RepeatEnd == kRepeatEndAfterCount && copy.SeriesEndKnown != 0 &&
            from > copy.SeriesEnd) {
            break;
        }
        from = Next29th(last && *last > from ? *last : from);
    }
    return true;
}
