#include "store/CandidateBudget.h"

namespace {

// Candidates left to the operation running on this thread; negative when none is open.
thread_local std::int64_t t_left = -1;

}  // namespace

CCandidateBudget::CCandidateBudget() : m_bOutermost(t_left < 0) {
    if (m_bOutermost) t_left = kMostCandidatesPerOperation;
}

CCandidateBudget::~CCandidateBudget() {
    if (m_bOutermost) t_left = -1;
}

bool CCandidateBudget::Take() {
    if (t_left < 0) return true;
    if (t_left == 0) return false;
    --t_left;
    return true;
}
