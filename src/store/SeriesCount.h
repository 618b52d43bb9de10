// Counting the candidates of a fixed-period series (a rule by hours, days or weeks) that the
// conditions on time of day, weekday and month allow, without walking the series.
//
// Candidate k starts at start + k * period (k = 0, 1, ...). Its time of day and weekday repeat
// every lcm(period, one week), a block of at most 168 candidates, so the allowed slots of one
// block give every count by arithmetic. A month condition is met month by month over whole
// months of candidates; the Gregorian calendar repeats every 146,097 days (a whole number of
// weeks), so when a whole number of those days holds a whole number of periods, one such
// cycle is walked and the count is multiplied. Dropped occurrences are not this class's
// concern: callers subtract them.
//
// All times are seconds as CDateTimeRange::ToSeconds gives them; nothing here converts back
// into a CDateTime, so no value in the 64-bit range overflows.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "store/DateEntryProperties.h"

class CSeriesCount {
public:
    // Months a walk visits at most (ten thousand years) before a count gives up; a rule whose
    // count would need more is counted by the caller's bounded walk instead.
    static constexpr std::int64_t kMostMonthsWalked = 120000;

    // The series of a date entry with the properties `p` when its rule is one this class
    // counts exactly as a walk over the series would: a fixed period, no fifth-weekday check
    // (which ends a walk early), and a start and first end within the date range. Nothing
    // otherwise. Occurrences may end before they start; such an occurrence overlaps a window
    // where its start or its end lies in it (see LastIndexWalked).
    static std::optional<CSeriesCount> Of(const DateEntryProperties& p);

    // The values that decide which candidate a start is and whether the conditions allow it.
    std::array<std::int64_t, 7> GetRuleKey() const {
        return {m_start,    m_period, m_timeCondition ? 1 : 0, m_timeFrom, m_timeTo,
                m_weekdays, m_months};
    }
    std::int64_t GetStart() const { return m_start; }
    std::int64_t GetPeriod() const { return m_period; }
    std::int64_t GetDuration() const { return m_duration; }
    // Start in seconds of candidate k.
    std::int64_t StartOf(std::int64_t k) const { return m_start + k * m_period; }
    // Index of the candidate starting at `seconds`, or -1 when none does.
    std::int64_t IndexAt(std::int64_t seconds) const;
    // The last candidate that starts at or before `seconds` and ends within the date range,
    // or -1 when there is none.
    std::int64_t LastIndexUpTo(std::int64_t seconds) const;
    // The first candidate that ends at or after `seconds` (0 at the earliest).
    std::int64_t FirstIndexEndingFrom(std::int64_t seconds) const;
    // The last candidate that a walk over the window [from, to] meets when it steps on from
    // candidate k, which overlaps the window: the walk ends before the first candidate that
    // does not overlap or would leave the date range. With occurrences of length 0 or more
    // that is the last to start by `to`; with negative ones the candidates whose start lies
    // in the window and those (later ones) whose end does form up to two runs, and a gap
    // between them ends the walk.
    std::int64_t LastIndexWalked(std::int64_t k, std::int64_t from, std::int64_t to) const;

    // Whether candidate k passes the time, weekday and month conditions.
    bool IsAllowed(std::int64_t k) const;
    // False when no candidate can ever pass the conditions. Decided from one block of the
    // pattern, and with a month condition from one calendar cycle where the period allows.
    bool CanAnyBeAllowed() const;
    // The allowed candidates among 0 .. end - 1; false when the count would walk more than
    // kMostMonthsWalked months.
    bool CountBefore(std::int64_t end, std::int64_t& count) const;
    // The n-th (from 1) allowed candidate, when it is at most `last`.
    bool FindNth(std::int64_t n, std::int64_t last, std::int64_t& k) const;
    // The first allowed candidate in first .. last.
    bool FindAllowed(std::int64_t first, std::int64_t last, std::int64_t& k) const;

    // The same with dropped candidates: `dropped` holds the sorted indices of the allowed
    // candidates that are dropped; `excluded` is one of them to treat as not dropped, or -1.
    static std::int64_t CountDropped(const std::vector<std::int64_t>& dropped, std::int64_t k,
                                     std::int64_t excluded);
    // The n-th (from 1) allowed candidate that is not dropped, when it is at most `last`.
    bool FindNthKept(std::int64_t n, const std::vector<std::int64_t>& dropped,
                     std::int64_t excluded, std::int64_t last, std::int64_t& k) const;
    // The first allowed candidate in first .. last that is not dropped.
    bool FindAllowedKept(std::int64_t first, std::int64_t last,
                         const std::vector<std::int64_t>& dropped, std::int64_t excluded,
                         std::int64_t& k) const;

private:
    CSeriesCount(const DateEntryProperties& p, std::int64_t start, std::int64_t period,
                 std::int64_t duration);

    // Allowed slots of one block among candidates 0 .. k - 1, months disregarded.
    std::int64_t SlotsBefore(std::int64_t k) const;
    // The first candidate at or after k whose slot is allowed, months disregarded.
    std::int64_t NextSlot(std::int64_t k) const;
    bool IsMonthAllowed(std::int64_t month) const;
    // The end of the run of candidates from k1 on that start in k1's month: the first
    // candidate of a later month, at most `end`; `month` receives the linear month (year * 12
    // + month - 1). A month without a candidate is passed over: the next run starts in the
    // next candidate's month.
    std::int64_t MonthRunEnd(std::int64_t k1, std::int64_t end, std::int64_t& month) const;
    // Calls visit(k1, k2) for every run [k1, k2) of candidates within first .. end - 1 that
    // start in one month whose condition bit is set, in order, until visit returns true.
    // False when the walk gave up after kMostMonthsWalked months.
    template <typename Visit>
    bool ForEachAllowedMonth(std::int64_t first, std::int64_t end, Visit&& visit) const;
    // Candidates per calendar cycle: 0 when the period fits no cycle that a walk can afford.
    std::int64_t CycleCandidates() const;
    // Candidates per calendar cycle and the allowed ones among them, computed when first
    // needed; 0 candidates when the period fits no cycle that a walk can afford.
    void ComputeCycle() const;
    struct MonthRuns;
    // The runs of one calendar cycle of `cycle` candidates, or with `cycle` 0 the runs as far
    // as a walk of kMostMonthsWalked months reaches, walked at least up to candidate
    // `needed` - 1 unless the walk ends first; they become m_runs. The runs of the last rule
    // are kept and walked further when a query needs more of them.
    const MonthRuns& Runs(std::int64_t cycle, std::int64_t needed) const;
    // Walks the months of `runs` on from their reach to at least `needed` (twice the reach
    // at least, so that growing queries walk each month once).
    void ExtendRuns(MonthRuns& runs, std::int64_t needed) const;
    // The runs of one calendar cycle of `cycle` candidates, walked on until enough(runs)
    // holds or they are complete.
    template <typename Enough>
    const MonthRuns& RunsUntil(std::int64_t cycle, Enough&& enough) const;
    // The allowed candidates among 0 .. end - 1 by m_runs. REQUIRES: end <= their reach.
    std::int64_t CountInRunsBefore(std::int64_t end) const;

    // The runs [first, end) of candidates, among 0 .. reach - 1, that start in a month whose
    // condition bit is set, in order, with the allowed candidates before each run; `key`
    // holds the values they depend on. The walk is meant to cover 0 .. target - 1; it is
    // complete when it did or when it gave up after kMostMonthsWalked months.
    struct MonthRuns {
        using Key = std::array<std::int64_t, 8>;
        Key key{};
        std::vector<std::int64_t> first;
        std::vector<std::int64_t> end;
        std::vector<std::int64_t> before;
        std::int64_t target = 0;
        std::int64_t reach = 0;
        std::int64_t walked = 0;  // months
        bool gaveUp = false;
        std::int64_t allowed = 0;  // among 0 .. reach - 1

        bool IsComplete() const { return gaveUp || reach >= target; }
    };

    std::int64_t m_start;
    std::int64_t m_period;
    std::int64_t m_duration;
    bool m_timeCondition;
    std::int64_t m_timeFrom;
    std::int64_t m_timeTo;
    std::uint32_t m_weekdays;
    std::uint32_t m_months;
    std::int64_t m_block;  // candidates per block
    // [r]: allowed slots among 0 .. r - 1; shared by the series with the same table.
    std::shared_ptr<const std::vector<std::int64_t>> m_slots;
    const std::vector<std::int64_t>& Slots() const { return *m_slots; }
    mutable bool m_cycleKnown = false;
    mutable std::int64_t m_cycle = 0;  // candidates per cycle, 0 when none is used
    mutable std::int64_t m_perCycle = 0;
    mutable std::shared_ptr<const MonthRuns> m_runs;
};
