#include "ical/RecurrenceIterator.h"

#include <algorithm>
#include <span>

#include "ical/TimeZone.h"

namespace {

constexpr std::int64_t kDay = CCivilTime::kSecondsPerDay;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

bool Contains(const std::vector<int>& values, int value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

void SortUnique(std::vector<int>& values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

bool IsSubDaily(EFrequency freq) {
    return freq == EFrequency::Hourly || freq == EFrequency::Minutely ||
           freq == EFrequency::Secondly;
}

// Week number of `day` in weeks starting on `wkst` (week 1 holds at least four days of its
// year), with the year the week belongs to and that year's number of weeks.
void WeekNumber(std::int64_t day, int wkst, int& weekYear, int& week, int& weeksInYear) {
    auto firstWeekStart = [wkst](int year) {
        const std::int64_t jan1 = CCivilTime::DaysFromCivil(year, 1, 1);
        const int offset = (CCivilTime::DayOfWeek(jan1) - wkst + 7) % 7;
        // The week holding 1 January is week 1 when at least four of its days are in January.
        return offset <= 3 ? jan1 - offset : jan1 - offset + 7;
    };
    int year = 0, month = 0, dom = 0;
    CCivilTime::CivilFromDays(day, year, month, dom);
    weekYear = year;
    std::int64_t start = firstWeekStart(year);
    if (day < start) {
        weekYear = year - 1;
        start = firstWeekStart(weekYear);
    } else {
        const std::int64_t next = firstWeekStart(year + 1);
        if (day >= next) {
            weekYear = year + 1;
            start = next;
        }
    }
    week = static_cast<int>((day - start) / 7) + 1;
    weeksInYear = static_cast<int>((firstWeekStart(weekYear + 1) - start) / 7);
}

int MostEmptyPeriods(EFrequency freq) {
    switch (freq) {
        case EFrequency::Yearly:
            return 400;
        case EFrequency::Monthly:
            return 4800;
        case EFrequency::Weekly:
            return 20871;
        case EFrequency::Daily:
            return 146097;
        default:
            return CRecurrenceIterator::kMostEmptyPeriods;
    }
}

}  // namespace

CRecurrenceIterator::CRecurrenceIterator(const CRecurrenceRule& rule, const CCivilFields& dtstart,
                                         const CTimeZone* zone)
    : m_Rule(rule), m_Start(dtstart), m_StartSeconds(CCivilTime::ToSeconds(dtstart)), m_Zone(zone) {
    CRecurrenceRule& r = m_Rule;
    const int startWeekday =
        CCivilTime::DayOfWeek(CCivilTime::DaysFromCivil(dtstart.year, dtstart.month, dtstart.day));
    if (r.byWeekNo.empty() && r.byYearDay.empty() && r.byMonthDay.empty() && r.byDay.empty()) {
        if (r.freq == EFrequency::Yearly) {
            if (r.byMonth.empty()) {
                r.byMonth.push_back(dtstart.month);
            }
            r.byMonthDay.push_back(dtstart.day);
        } else if (r.freq == EFrequency::Monthly) {
            r.byMonthDay.push_back(dtstart.day);
        } else if (r.freq == EFrequency::Weekly) {
            m_PlainWeekdays.push_back(startWeekday);
        }
    }
    const bool ordinalsCount = r.freq == EFrequency::Monthly || r.freq == EFrequency::Yearly;
    for (const CWeekdayNum& day : r.byDay) {
        if (day.ordinal == 0 || !ordinalsCount) {
            m_PlainWeekdays.push_back(day.weekday);
        } else {
            m_NthWeekdays.push_back(day);
        }
    }
    SortUnique(m_PlainWeekdays);
    m_Hours = r.byHour;
    m_Minutes = r.byMinute;
    m_Seconds = r.bySecond;
    if (m_Hours.empty() && !IsSubDaily(r.freq)) {
        m_Hours.push_back(dtstart.hour);
    }
    if (m_Minutes.empty() && r.freq != EFrequency::Minutely && r.freq != EFrequency::Secondly) {
        m_Minutes.push_back(dtstart.minute);
    }
    if (m_Seconds.empty() && r.freq != EFrequency::Secondly) {
        m_Seconds.push_back(dtstart.second);
    }
    SortUnique(m_Hours);
    SortUnique(m_Minutes);
    SortUnique(m_Seconds);
    SortUnique(r.byMonth);
}

bool CRecurrenceIterator::DayPasses(std::int64_t day) const {
    int year = 0, month = 0, dom = 0;
    CCivilTime::CivilFromDays(day, year, month, dom);
    return DayPasses(day, year, month, dom);
}

bool CRecurrenceIterator::DayPasses(std::int64_t day, int year, int month, int dom) const {
    const CRecurrenceRule& r = m_Rule;
    if (!r.byMonth.empty() && !Contains(r.byMonth, month)) {
        return false;
    }
    const int weekday = CCivilTime::DayOfWeek(day);
    if (!m_PlainWeekdays.empty() && !Contains(m_PlainWeekdays, weekday)) {
        return false;
    }
    const int daysInMonth = CCivilTime::DaysInMonth(year, month);
    const int daysInYear = CCivilTime::IsLeapYear(year) ? 366 : 365;
    const int yearDay = static_cast<int>(day - CCivilTime::DaysFromCivil(year, 1, 1)) + 1;
    if (!r.byWeekNo.empty()) {
        int weekYear = 0, week = 0, weeks = 0;
        WeekNumber(day, r.wkst, weekYear, week, weeks);
        if (!Contains(r.byWeekNo, week) && !Contains(r.byWeekNo, week - weeks - 1)) {
            return false;
        }
    }
    if (!m_NthWeekdays.empty()) {
        const bool inMonth = r.freq == EFrequency::Monthly || !r.byMonth.empty();
        const int position = inMonth ? dom : yearDay;
        const int length = inMonth ? daysInMonth : daysInYear;
        const int fromStart = (position - 1) / 7 + 1;
        const int fromEnd = -((length - position) / 7 + 1);
        bool matched = false;
        for (const CWeekdayNum& nth : m_NthWeekdays) {
            matched = matched || (nth.weekday == weekday &&
                                  (nth.ordinal == fromStart || nth.ordinal == fromEnd));
        }
        if (!matched) {
            return false;
        }
    }
    if (!r.byMonthDay.empty() && !Contains(r.byMonthDay, dom) &&
        !Contains(r.byMonthDay, dom - daysInMonth - 1)) {
        return false;
    }
    if (!r.byYearDay.empty() && !Contains(r.byYearDay, yearDay) &&
        !Contains(r.byYearDay, yearDay - daysInYear - 1)) {
        return false;
    }
    return true;
}

void CRecurrenceIterator::DaysOfPeriod(std::vector<std::int64_t>& days) const {
    days.clear();
    const std::int64_t startDay =
        CCivilTime::DaysFromCivil(m_Start.year, m_Start.month, m_Start.day);
    const std::int64_t step = m_Period * m_Rule.interval;
    std::int64_t first = 0;
    std::int64_t count = 0;
    switch (m_Rule.freq) {
        case EFrequency::Yearly: {
            const std::int64_t year = m_Start.year + step;
            first = CCivilTime::DaysFromCivil(static_cast<int>(year), 1, 1);
            count = CCivilTime::IsLeapYear(static_cast<int>(year)) ? 366 : 365;
            break;
        }
        case EFrequency::Monthly: {
            const std::int64_t index = m_Start.year * 12LL + (m_Start.month - 1) + step;
            const int year = static_cast<int>(FloorDiv(index, 12));
            const int month = static_cast<int>(index - FloorDiv(index, 12) * 12) + 1;
            first = CCivilTime::DaysFromCivil(year, month, 1);
            count = CCivilTime::DaysInMonth(year, month);
            break;
        }
        case EFrequency::Weekly:
            first = startDay - (CCivilTime::DayOfWeek(startDay) - m_Rule.wkst + 7) % 7 + step * 7;
            count = 7;
            break;
        case EFrequency::Daily:
            first = startDay + step;
            count = 1;
            break;
        default:
            return;
    }
    if (m_Rule.freq == EFrequency::Yearly && !m_Rule.byMonth.empty()) {
        // Only the months the rule names: a rule that never matches then costs its months'
        // days per year, not the whole year's.
        int year = 0, month = 0, dom = 0;
        CCivilTime::CivilFromDays(first, year, month, dom);
        for (const int ruleMonth : m_Rule.byMonth) {
            const std::int64_t monthStart = CCivilTime::DaysFromCivil(year, ruleMonth, 1);
            const int length = CCivilTime::DaysInMonth(year, ruleMonth);
            for (int dom = 1; dom <= length; ++dom) {
                if (DayPasses(monthStart + dom - 1, year, ruleMonth, dom)) {
                    days.push_back(monthStart + dom - 1);
                }
            }
        }
        return;
    }
    // The civil date steps along with the day instead of being worked out for each.
    int year = 0, month = 0, dom = 0;
    CCivilTime::CivilFromDays(first, year, month, dom);
    int monthLength = CCivilTime::DaysInMonth(year, month);
    for (std::int64_t day = first; day < first + count; ++day) {
        if (DayPasses(day, year, month, dom)) {
            days.push_back(day);
        }
        if (++dom > monthLength) {
            dom = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
            monthLength = CCivilTime::DaysInMonth(year, month);
        }
    }
}

bool CRecurrenceIterator::PassesUntil(IcalSeconds start) const {
    if (!m_Rule.until) {
        return true;
    }
    const CRuleUntil& until = *m_Rule.until;
    CCivilFields limitFields = until.fields;
    if (until.isDate) {
        limitFields.hour = limitFields.minute = limitFields.second = 0;
    }
    const IcalSeconds limit = CCivilTime::ToSeconds(limitFields);
    if (m_Zone != nullptr) {
        return m_Zone->UtcFromLocal(start) <= limit;
    }
    return start <= limit;
}

bool CRecurrenceIterator::FillPeriod() {
    m_Buffer.clear();
    m_Next = 0;
    const EFrequency freq = m_Rule.freq;
    std::vector<std::int64_t>& days = m_Days;
    days.clear();
    // A sub-daily period is one instant: its own hour, minute and second replace the lists.
    int periodHour = 0, periodMinute = 0, periodSecond = 0;
    std::span<const int> hours = m_Hours, minutes = m_Minutes, seconds = m_Seconds;
    if (IsSubDaily(freq)) {
        const IcalSeconds unit = freq == EFrequency::Hourly     ? 3600
                                 : freq == EFrequency::Minutely ? 60
                                                                : 1;
        const IcalSeconds base = FloorDiv(m_StartSeconds, unit) * unit;
        const IcalSeconds at = base + m_Period * m_Rule.interval * unit;
        const std::int64_t day = FloorDiv(at, kDay);
        const IcalSeconds inDay = at - day * kDay;
        const int hour = static_cast<int>(inDay / 3600);
        const int minute = static_cast<int>(inDay % 3600 / 60);
        const int second = static_cast<int>(inDay % 60);
        // A day or an hour that the rule refuses is passed over as one period.
        IcalSeconds skipTo = 0;
        if (!DayPasses(day)) {
            skipTo = (day + 1) * kDay;
        } else if (!m_Rule.byHour.empty() && !Contains(m_Rule.byHour, hour)) {
            skipTo = at - inDay % 3600 + 3600;
        } else if (freq != EFrequency::Hourly && !m_Rule.byMinute.empty() &&
                   !Contains(m_Rule.byMinute, minute)) {
            skipTo = at - inDay % 60 + 60;
        } else if (freq == EFrequency::Secondly && !m_Rule.bySecond.empty() &&
                   !Contains(m_Rule.bySecond, second)) {
            skipTo = at + 1;
        }
        if (skipTo != 0) {
            const IcalSeconds periodLength = m_Rule.interval * unit;
            const std::int64_t target = (skipTo - base + periodLength - 1) / periodLength;
            m_Period = std::max(m_Period + 1, target);
            return false;
        }
        days.push_back(day);
        periodHour = hour;
        hours = {&periodHour, 1};
        if (freq != EFrequency::Hourly) {
            periodMinute = minute;
            minutes = {&periodMinute, 1};
        }
        if (freq == EFrequency::Secondly) {
            periodSecond = second;
            seconds = {&periodSecond, 1};
        }
    } else {
        DaysOfPeriod(days);
    }
    ++m_Period;
    for (const std::int64_t day : days) {
        for (const int h : hours) {
            for (const int m : minutes) {
                for (const int s : seconds) {
                    m_Buffer.push_back(day * kDay + h * 3600 + m * 60 + s);
                }
            }
        }
    }
    if (!m_Rule.bySetPos.empty() && !m_Buffer.empty()) {
        std::vector<IcalSeconds> picked;
        const int size = static_cast<int>(m_Buffer.size());
        for (const int position : m_Rule.bySetPos) {
            const int index = position > 0 ? position - 1 : size + position;
            if (index >= 0 && index < size) {
                picked.push_back(m_Buffer[index]);
            }
        }
        std::sort(picked.begin(), picked.end());
        picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
        m_Buffer.swap(picked);
    }
    return !m_Buffer.empty();
}

bool CRecurrenceIterator::Next(IcalSeconds& start) {
    static const IcalSeconds kEnd = CCivilTime::ToSeconds(CCivilFields{10000, 1, 1, 0, 0, 0});
    int emptyPeriods = 0;
    while (!m_Done) {
        while (m_Next < m_Buffer.size()) {
            const IcalSeconds candidate = m_Buffer[m_Next++];
            if (candidate < m_StartSeconds) {
                continue;
            }
            if (candidate >= kEnd || !PassesUntil(candidate) ||
                (m_Rule.count && m_Emitted >= *m_Rule.count)) {
                m_Done = true;
                return false;
            }
            ++m_Emitted;
            start = candidate;
            return true;
        }
        if (++emptyPeriods > MostEmptyPeriods(m_Rule.freq)) {
            m_Done = true;
            break;
        }
        FillPeriod();
        if (!m_Buffer.empty() && m_Buffer.front() >= kEnd) {
            m_Done = true;
        }
    }
    return false;
}

void CRecurrenceIterator::SeekTo(IcalSeconds local) {
    if (m_Rule.count || local <= m_StartSeconds) {
        return;
    }
    const CCivilFields at = CCivilTime::FromSeconds(local);
    const std::int64_t interval = m_Rule.interval;
    std::int64_t periods = 0;
    switch (m_Rule.freq) {
        case EFrequency::Yearly:
            periods = (at.year - m_Start.year) / interval;
            break;
        case EFrequency::Monthly:
            periods = ((at.year - m_Start.year) * 12LL + at.month - m_Start.month) / interval;
            break;
        case EFrequency::Weekly:
            periods = FloorDiv(local - m_StartSeconds, 7 * kDay * interval) - 1;
            break;
        case EFrequency::Daily:
            periods = FloorDiv(local - m_StartSeconds, kDay * interval) - 1;
            break;
        case EFrequency::Hourly:
            periods = FloorDiv(local - m_StartSeconds, 3600 * interval) - 1;
            break;
        case EFrequency::Minutely:
            periods = FloorDiv(local - m_StartSeconds, 60 * interval) - 1;
            break;
        case EFrequency::Secondly:
            periods = FloorDiv(local - m_StartSeconds, interval) - 1;
            break;
    }
    if (periods > m_Period) {
        m_Period = periods;
        m_Buffer.clear();
        m_Next = 0;
    }
}
