#include "store/OccurrenceCursor.h"

#include <utility>

#include "datetime/DateTimeRange.h"
#include "store/DateEntry.h"

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

}  // namespace

COccurrenceCursor::COccurrenceCursor(CDateEntry& entry, const CDateTime& from, const CDateTime& to)
    : m_entry(&entry), m_from(from), m_to(to), m_windowStart(from) {
    m_state.counter = entry.OccurrenceCounter;
    m_state.seriesEnd = entry.SeriesEnd;
    m_state.seriesEndKnown = 0;
    const DateEntryProperties& p = entry.Properties;
    m_gaps = p.RepeatWeekdayCount == kRepeatWeekdayFifth && p.Repeat != kRepeatNone &&
             !(p.Repeat == kRepeatEvery && p.RepeatRate < 1);
    const bool fixedPeriod = p.Repeat == kRepeatEvery && p.RepeatRate >= 1 &&
                             p.RepeatUnit >= kRepeatUnitHours && p.RepeatUnit <= kRepeatUnitWeeks;
    const std::int64_t duration = entry.GetDuration().GetTotalSeconds();
    // [from + D, to + D] is overlapped exactly by the occurrences that start within
    // [from, to + D]; those after `to` end the walk.
    m_shifted = fixedPeriod && !m_gaps && duration >= 0 &&
                CDateTimeRange::TryAdd(from, duration, m_shiftedFrom) &&
                CDateTimeRange::TryAdd(to, duration, m_shiftedTo);
}

void COccurrenceCursor::Swap(SQueryState& state) {
    std::swap(state.counter, m_entry->OccurrenceCounter);
    std::swap(state.seriesEndKnown, m_entry->SeriesEndKnown);
    std::swap(state.seriesEnd, m_entry->SeriesEnd);
}

bool COccurrenceCursor::Step() {
    const CDateTime& from = m_shifted ? m_shiftedFrom : m_windowStart;
    const CDateTime& to = m_shifted ? m_shiftedTo : m_to;
    const bool found = m_inWindow ? m_entry->FindNextOccurrence(from, to, m_start, m_end)
                                  : m_entry->FindFirstOccurrence(from, to, m_start, m_end);
    m_inWindow = true;
    return found && !(m_shifted && m_start > m_to);
}

bool COccurrenceCursor::NextWindow() {
    m_inWindow = false;
    const DateEntryProperties& p = m_entry->Properties;
    if (!m_gaps) return false;
    if (p.RepeatEnd == kRepeatEndAtDate && m_windowStart > p.RepeatEndDate) return false;
    if (p.RepeatEnd == kRepeatEndAfterCount && m_entry->SeriesEndKnown != 0 &&
        m_windowStart > m_entry->SeriesEnd) {
        return false;
    }
    m_windowStart = Next29th(m_last && *m_last > m_windowStart ? *m_last : m_windowStart);
    return m_windowStart <= m_to;
}

bool COccurrenceCursor::Next(CDateTime& start, CDateTime& end) {
    if (m_done) return false;
    Swap(m_state);
    bool yielded = false;
    if (!m_inWindow && m_windowStart > m_to) m_done = true;
    while (!m_done && !yielded) {
        if (!Step()) {
            m_done = !NextWindow();
            continue;
        }
        if (m_start >= m_from && m_start <= m_to && (!m_last || m_start > *m_last)) {
            start = m_start;
            end = m_end;
            m_last = m_start;
            yielded = true;
        }
    }
    Swap(m_state);
    return yielded;
}
