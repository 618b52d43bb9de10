#include "sync/PollSchedule.h"

#include <algorithm>
#include <cstdint>

int CPollSchedule::OnSuccess(int interval) {
    m_failures = 0;
    return interval;
}

int CPollSchedule::OnFailure(int interval, int retryAfter) {
    if (m_failures < 30) ++m_failures;
    const std::int64_t doubled = std::int64_t{interval} << std::min(m_failures, 20);
    std::int64_t wait =
        std::max<std::int64_t>(interval, std::min<std::int64_t>(doubled, kMaximumBackoff));
    if (retryAfter > 0)
        wait = std::max<std::int64_t>(wait, std::min(retryAfter, kMaximumRetryAfter));
    return static_cast<int>(wait);
}
