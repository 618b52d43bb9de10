// A bound on the candidates of a repeat rule that one reminder operation may step through in
// all its queries together.
#pragma once

#include <cstdint>

// Each query of a rule is bounded by itself (CDateEntry::kMostCandidatesPerQuery), but a
// reminder operation runs one or two queries per listed occurrence, up to tens of thousands
// of them: a rule that drives every query to its bound would still stall the operation. An
// operation opens a budget for its whole run; every candidate that a query steps through
// takes one from it, and once it is spent the queries end as they end at their own bound (a
// search finds nothing more, a count is the count so far).
//
// Budgets are per thread. A budget opened while another is open on the same thread (an
// operation calling another) shares the outer one. Without an open budget, Take always
// succeeds.
class CCandidateBudget {
public:
    // Candidates for one operation: far beyond what any realistic entry's operation walks
    // (a year of hourly reminders is under 10,000), a fraction of a second of stepping.
    static constexpr std::int64_t kMostCandidatesPerOperation = 4000000;

    CCandidateBudget();
    ~CCandidateBudget();
    CCandidateBudget(const CCandidateBudget&) = delete;
    CCandidateBudget& operator=(const CCandidateBudget&) = delete;

    // Takes one candidate from the open budget; false once it is spent.
    static bool Take();

private:
    bool m_bOutermost;
};
