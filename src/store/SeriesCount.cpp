#include "store/SeriesCount.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

#include "datetime/DateTimeRange.h"
#include "store/FirstOccurrence.h"

namespace {

constexpr std::int64_t kSecondsPerDay = CDateTimeRange::kSecondsPerDay;
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kHoursPerWeek = 168;
// The Gregorian calendar repeats after 146,097 days (400 years, 20,871 weeks).
constexpr std::int64_t kCycleDays = 146097;
constexpr std::int64_t kCycleSeconds = kCycleDays * kSecondsPerDay;
constexpr std::int64_t kMonthsPerCycle = 4800;

// Day number 1 is 0001-01-01; the day numbers below count from 0000-03-01, which puts the
// leap day at the end of the counted year.
constexpr std::int64_t kMarchOfYearZero = 305;

// Linear month (year * 12 + month - 1) of a day number.
std::int64_t MonthOfDay(std::int64_t day) {
    const std::int64_t z = day + kMarchOfYearZero;
    const std::int64_t era = (z >= 0 ? z : z - (kCycleDays - 1)) / kCycleDays;
    const std::int64_t dayOfEra = z - era * kCycleDays;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shifted = (5 * dayOfYear + 2) / 153;  // 0 = March
    const std::int64_t month = shifted < 10 ? shifted + 3 : shifted - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return year * 12 + month - 1;
}

// Day number of the first day of a linear month.
std::int64_t FirstDayOfMonth(std::int64_t linearMonth) {
    const std::int64_t month = linearMonth % 12 + 1;
    const std::int64_t year = linearMonth / 12 - (month <= 2 ? 1 : 0);
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kCycleDays + dayOfEra - kMarchOfYearZero;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// Beyond every candidate of the date range.
constexpr std::int64_t kMaxSeconds = std::numeric_limits<std::int64_t>::max() / 2;

// Periods of a cycle that a count may walk month by month: 25 cycles of 400 years.
constexpr std::int64_t kLongestCycle = CSeriesCount::kMostMonthsWalked / kMonthsPerCycle;

}  // namespace

std::optional<CSeriesCount> CSeriesCount::Of(const DateEntryProperties& p) {
    if (p.Repeat != kRepeatEvery || p.RepeatUnit < kRepeatUnitHours ||
        p.RepeatUnit > kRepeatUnitWeeks || p.RepeatRate < 1 ||
        p.RepeatWeekdayCount == kRepeatWeekdayFifth) {
        return std::nullopt;
    }
    const CDateTime start = CFirstOccurrence::Start(p);
    const std::int64_t duration = CFirstOccurrence::Duration(p);
    CDateTime firstEnd;
    if (!CDateTimeRange::Contains(start) ||
        !CDateTimeRange::FromSeconds(CDateTimeRange::ToSeconds(start) + duration, firstEnd)) {
        return std::nullopt;
    }
    const std::int64_t hours = p.RepeatUnit == kRepeatUnitHours  ? 1
                               : p.RepeatUnit == kRepeatUnitDays ? 24
                                                                 : kHoursPerWeek;
    return CSeriesCount(p, CDateTimeRange::ToSeconds(start), p.RepeatRate * hours * kSecondsPerHour,
                        duration);
}

CSeriesCount::CSeriesCount(const DateEntryProperties& p, std::int64_t start, std::int64_t period,
                           std::int64_t duration)
    : m_start(start),
      m_period(period),
      m_duration(duration),
      m_timeCondition(p.CondTimeEnable != 0),
      m_timeFrom(p.CondStartTime.GetSecondOfDay()),
      m_timeTo(p.CondEndTime.GetSecondOfDay()),
      m_weekdays(static_cast<std::uint32_t>(p.CondWeekdays) & 0x7Fu),
      m_months(static_cast<std::uint32_t>(p.CondMonth) & 0xFFFu),
      m_block(kHoursPerWeek / std::gcd(period / kSecondsPerHour, kHoursPerWeek)) {
    // A purge asks for the count of one series once for each of up to thousands of listed
    // occurrences: the table of the last series made on this thread is shared, not made again.
    struct SKey {
        std::int64_t start, period, timeFrom, timeTo;
        bool timeCondition;
        std::uint32_t weekdays;
        bool operator==(const SKey&) const = default;
    };
    thread_local SKey lastKey{};
    thread_local std::shared_ptr<const std::vector<std::int64_t>> lastSlots;
    const SKey key{m_start, m_period, m_timeFrom, m_timeTo, m_timeCondition, m_weekdays};
    if (lastSlots != nullptr && key == lastKey) {
        m_slots = lastSlots;
        return;
    }
    std::vector<std::int64_t> slots(static_cast<std::size_t>(m_block) + 1, 0);
    for (std::int64_t r = 0; r < m_block; ++r) {
        const std::int64_t seconds = StartOf(r);
        const std::int64_t time = seconds % kSecondsPerDay;
        const std::int64_t weekday = (seconds / kSecondsPerDay - 1) % 7;  // day 1 is a Monday
        const bool allowed = (!m_timeCondition || (time >= m_timeFrom && time <= m_timeTo)) &&
                             ((m_weekdays >> weekday) & 1u) != 0;
        slots[static_cast<std::size_t>(r) + 1] =
            slots[static_cast<std::size_t>(r)] + (allowed ? 1 : 0);
    }
    m_slots = std::make_shared<const std::vector<std::int64_t>>(std::move(slots));
    lastKey = key;
    lastSlots = m_slots;
}

std::int64_t CSeriesCount::IndexAt(std::int64_t seconds) const {
    const std::int64_t offset = seconds - m_start;
    return offset >= 0 && offset % m_period == 0 ? offset / m_period : -1;
}

std::int64_t CSeriesCount::LastIndexUpTo(std::int64_t seconds) const {
    const std::int64_t last = CDateTimeRange::ToSeconds(CDateTimeRange::Last());
    const std::int64_t limit = std::min(seconds, last - std::max<std::int64_t>(m_duration, 0));
    return limit < m_start ? -1 : (limit - m_start) / m_period;
}

std::int64_t CSeriesCount::FirstIndexEndingFrom(std::int64_t seconds) const {
    return std::max<std::int64_t>(0, CeilDiv(seconds - m_start - m_duration, m_period));
}

std::int64_t CSeriesCount::LastIndexWalked(std::int64_t k, std::int64_t from,
                                           std::int64_t to) const {
    const std::int64_t lastStarting = LastIndexUpTo(to);
    if (m_duration >= 0) return lastStarting;
    // The run of candidates whose end lies in the window; every end lies within the range.
    const std::int64_t firstEnding = FirstIndexEndingFrom(from);
    const std::int64_t lastEnding = LastIndexUpTo(to - m_duration);
    if (firstEnding > lastEnding) return std::max(k, lastStarting);
    if (k + 1 >= firstEnding) return std::max(k, lastEnding);
    return lastStarting + 1 >= firstEnding ? lastEnding : std::max(k, lastStarting);
}

bool CSeriesCount::IsAllowed(std::int64_t k) const {
    const std::int64_t r = k % m_block;
    if (Slots()[static_cast<std::size_t>(r) + 1] == Slots()[static_cast<std::size_t>(r)]) {
        return false;
    }
    return IsMonthAllowed(MonthOfDay(StartOf(k) / kSecondsPerDay) % 12);
}

bool CSeriesCount::IsMonthAllowed(std::int64_t month) const {
    return ((m_months >> month) & 1u) != 0;
}

std::int64_t CSeriesCount::SlotsBefore(std::int64_t k) const {
    return (k / m_block) * Slots().back() + Slots()[static_cast<std::size_t>(k % m_block)];
}

std::int64_t CSeriesCount::NextSlot(std::int64_t k) const {
    for (std::int64_t j = k; j < k + m_block; ++j) {
        const std::size_t r = static_cast<std::size_t>(j % m_block);
        if (Slots()[r + 1] != Slots()[r]) return j;
    }
    return -1;
}

std::int64_t CSeriesCount::MonthRunEnd(std::int64_t k1, std::int64_t end,
                                       std::int64_t& month) const {
    month = MonthOfDay(StartOf(k1) / kSecondsPerDay);
    const std::int64_t nextMonth = FirstDayOfMonth(month + 1) * kSecondsPerDay;
    return std::min(end, CeilDiv(nextMonth - m_start, m_period));
}

template <typename Visit>
bool CSeriesCount::ForEachAllowedMonth(std::int64_t first, std::int64_t end, Visit&& visit) const {
    std::int64_t walked = 0;
    for (std::int64_t k1 = first; k1 < end;) {
        if (++walked > kMostMonthsWalked) return false;
        std::int64_t month = 0;
        const std::int64_t k2 = MonthRunEnd(k1, end, month);
        if (IsMonthAllowed(month % 12) && visit(k1, k2)) return true;
        k1 = k2;
    }
    return true;
}

const CSeriesCount::MonthRuns& CSeriesCount::Runs(std::int64_t cycle, std::int64_t needed) const {
    // Every query of an operation on one entry builds its own CSeriesCount: the runs of the
    // last rule are kept, so that a reminder update or a purge walks the months once, not
    // once per query.
    const MonthRuns::Key key = {m_start,    m_period, m_timeCondition ? 1 : 0,
                                m_timeFrom, m_timeTo, m_weekdays,
                                m_months,   cycle};
    thread_local std::shared_ptr<MonthRuns> lastRuns;
    if (!lastRuns || lastRuns->key != key) {
        auto runs = std::make_shared<MonthRuns>();
        runs->key = key;
        runs->target = cycle > 0 ? cycle : LastIndexUpTo(kMaxSeconds) + 1;
        lastRuns = std::move(runs);
    }
    if (lastRuns->reach < needed && !lastRuns->IsComplete()) ExtendRuns(*lastRuns, needed);
    m_runs = lastRuns;
    return *m_runs;
}

void CSeriesCount::ExtendRuns(MonthRuns& runs, std::int64_t needed) const {
    const std::int64_t goal = std::min(runs.target, std::max(needed, 2 * runs.reach));
    std::int64_t k1 = runs.reach;
    while (k1 < goal) {
        if (++runs.walked > kMostMonthsWalked) {
            runs.gaveUp = true;
            break;
        }
        std::int64_t month = 0;
        const std::int64_t k2 = MonthRunEnd(k1, runs.target, month);
        if (IsMonthAllowed(month % 12)) {
            runs.first.push_back(k1);
            runs.end.push_back(k2);
            runs.before.push_back(runs.allowed);
            runs.allowed += SlotsBefore(k2) - SlotsBefore(k1);
        }
        k1 = k2;
    }
    runs.reach = k1;
}

template <typename Enough>
const CSeriesCount::MonthRuns& CSeriesCount::RunsUntil(std::int64_t cycle, Enough&& enough) const {
    const MonthRuns* runs = &Runs(cycle, 1);
    while (!enough(*runs) && !runs->IsComplete()) runs = &Runs(cycle, runs->reach + 1);
    return *runs;
}

std::int64_t CSeriesCount::CycleCandidates() const {
    const std::int64_t common = std::gcd(m_period, kCycleSeconds);
    if (m_period / common > kLongestCycle) return 0;
    // lcm(period, cycle) holds a whole number of calendar cycles and of blocks.
    return kCycleSeconds / common;
}

void CSeriesCount::ComputeCycle() const {
    if (m_cycleKnown) return;
    m_cycleKnown = true;
    const std::int64_t candidates = CycleCandidates();
    if (candidates == 0) return;
    const MonthRuns& runs = Runs(candidates, candidates);
    if (runs.reach < candidates) return;
    m_cycle = candidates;
    m_perCycle = runs.allowed;
}

std::int64_t CSeriesCount::CountInRunsBefore(std::int64_t end) const {
    const MonthRuns& runs = *m_runs;
    const auto i =
        std::upper_bound(runs.first.begin(), runs.first.end(), end - 1) - runs.first.begin();
    if (i == 0) return 0;
    const std::size_t j = static_cast<std::size_t>(i - 1);
    return runs.before[j] + SlotsBefore(std::min(runs.end[j], end)) - SlotsBefore(runs.first[j]);
}

bool CSeriesCount::CanAnyBeAllowed() const {
    if (Slots().back() == 0 || m_months == 0) return false;
    if (m_months == 0xFFFu) return true;
    const std::int64_t cycle = CycleCandidates();
    if (cycle == 0) return true;
    // The months are walked only until an allowed candidate shows, mostly within a year.
    const MonthRuns& runs = RunsUntil(cycle, [](const MonthRuns& r) { return r.allowed > 0; });
    // A walk that gave up leaves the question open, as a cycle that is not known does.
    return runs.allowed > 0 || runs.reach < cycle;
}

bool CSeriesCount::CountBefore(std::int64_t end, std::int64_t& count) const {
    if (end <= 0) {
        count = 0;
        return true;
    }
    if (m_months == 0xFFFu) {
        count = SlotsBefore(end);
        return true;
    }
    const std::int64_t cycle = CycleCandidates();
    // Within the first cycle the runs need to reach only as far as the count.
    if (cycle > 0 && end < cycle && Runs(cycle, end).reach >= end) {
        count = CountInRunsBefore(end);
        return true;
    }
    ComputeCycle();
    if (m_cycle > 0) {
        count = end / m_cycle * m_perCycle + CountInRunsBefore(end % m_cycle);
        return true;
    }
    if (end > Runs(0, end).reach) return false;
    count = CountInRunsBefore(end);
    return true;
}

bool CSeriesCount::FindNth(std::int64_t n, std::int64_t last, std::int64_t& k) const {
    const std::int64_t perBlock = Slots().back();
    if (n < 1 || perBlock == 0) return false;
    // The n-th allowed slot, months disregarded.
    auto nthSlot = [&](std::int64_t nth) {
        const std::int64_t blocks = (nth - 1) / perBlock;
        const std::int64_t within = nth - blocks * perBlock;
        const auto r = std::lower_bound(Slots().begin(), Slots().end(), within) - Slots().begin();
        return blocks * m_block + r - 1;
    };
    if (m_months == 0xFFFu) {
        k = nthSlot(n);
        return k <= last;
    }
    const std::int64_t cycle = CycleCandidates();
    if (cycle > 0) {
        // Within the first cycle: the run that holds the n-th allowed candidate, the runs
        // walked only as far as that.
        const MonthRuns& runs =
            RunsUntil(cycle, [n](const MonthRuns& r) { return r.allowed >= n; });
        if (runs.allowed >= n) {
            const auto j = static_cast<std::size_t>(
                std::upper_bound(runs.before.begin(), runs.before.end(), n - 1) -
                runs.before.begin() - 1);
            k = nthSlot(SlotsBefore(runs.first[j]) + n - runs.before[j]);
            return k <= last;
        }
    }
    ComputeCycle();
    std::int64_t offset = 0;
    std::int64_t remaining = n;
    std::int64_t end = last + 1;
    if (m_cycle > 0) {
        if (m_perCycle == 0) return false;
        const std::int64_t cycles = (n - 1) / m_perCycle;
        offset = cycles * m_cycle;
        remaining = n - cycles * m_perCycle;
        end = m_cycle;
    }
    bool found = false;
    std::int64_t index = 0;
    const bool complete = ForEachAllowedMonth(0, end, [&](std::int64_t k1, std::int64_t k2) {
        const std::int64_t before = SlotsBefore(k1);
        const std::int64_t here = SlotsBefore(k2) - before;
        if (here < remaining) {
            remaining -= here;
            return false;
        }
        index = nthSlot(before + remaining);
        found = true;
        return true;
    });
    if (!complete || !found) return false;
    k = offset + index;
    return k <= last;
}

bool CSeriesCount::FindAllowed(std::int64_t first, std::int64_t last, std::int64_t& k) const {
    if (first > last || Slots().back() == 0) return false;
    if (m_months == 0xFFFu) {
        const std::int64_t j = NextSlot(first);
        if (j > last) return false;
        k = j;
        return true;
    }
    const std::int64_t cycle = CycleCandidates();
    std::int64_t offset = 0;
    std::int64_t from = first;
    std::int64_t end = last + 1;
    if (cycle > 0) {
        if (!CanAnyBeAllowed()) return false;
        // One whole cycle from `first` meets every allowed candidate there is.
        offset = first / cycle * cycle;
        from = first - offset;
        end = std::min(last + 1 - offset, from + cycle);
    }
    bool found = false;
    const bool complete = ForEachAllowedMonth(from, end, [&](std::int64_t k1, std::int64_t k2) {
        const std::int64_t j = NextSlot(k1);
        if (j >= k2) return false;
        k = offset + j;
        found = true;
        return true;
    });
    return complete && found;
}

std::int64_t CSeriesCount::CountDropped(const std::vector<std::int64_t>& dropped, std::int64_t k,
                                        std::int64_t excluded) {
    const std::int64_t count =
        std::upper_bound(dropped.begin(), dropped.end(), k) - dropped.begin();
    return excluded >= 0 && excluded <= k &&
                   std::binary_search(dropped.begin(), dropped.end(), excluded)
               ? count - 1
               : count;
}

bool CSeriesCount::FindNthKept(std::int64_t n, const std::vector<std::int64_t>& dropped,
                               std::int64_t excluded, std::int64_t last, std::int64_t& k) const {
    // The drops before the answer push it on; their number only grows, and settles at the
    // answer.
    std::int64_t skipped = 0;
    for (;;) {
        if (!FindNth(n + skipped, last, k)) return false;
        const std::int64_t before = CountDropped(dropped, k, excluded);
        if (before == skipped) return true;
        skipped = before;
    }
}

bool CSeriesCount::FindAllowedKept(std::int64_t first, std::int64_t last,
                                   const std::vector<std::int64_t>& dropped, std::int64_t excluded,
                                   std::int64_t& k) const {
    if (!FindAllowed(first, last, k)) return false;
    while (k != excluded && std::binary_search(dropped.begin(), dropped.end(), k)) {
        if (!FindAllowed(k + 1, last, k)) return false;
    }
    return true;
}
