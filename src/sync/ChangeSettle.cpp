#include "sync/ChangeSettle.h"

#include <algorithm>

namespace {

// The start of the second that holds `ms`.
std::int64_t SecondOf(std::int64_t ms) {
    return (ms >= 0 ? ms / 1000 : (ms - 999) / 1000) * 1000;
}

}  // namespace

void CChangeSettle::OnChange(std::int64_t nowMs) {
    // A clock set back starts the settle afresh rather than leaving it in the future.
    if (!m_pending || nowMs < m_firstMs) {
        m_pending = true;
        m_firstMs = nowMs;
    }
    m_lastMs = std::max(m_firstMs, nowMs);
    if (m_checked && nowMs >= m_checkMs && SecondOf(nowMs) == SecondOf(m_checkMs)) {
        m_mayHideChange = true;
    }
}

void CChangeSettle::OnChecked(std::int64_t nowMs) {
    m_pending = false;
    m_checked = true;
    m_checkMs = nowMs;
    m_mayHideChange = false;
}

std::int64_t CChangeSettle::WaitMs(std::int64_t nowMs) const {
    if (!m_pending) return -1;
    const std::int64_t quiet = std::max(m_lastMs + kQuietMs, SecondOf(m_lastMs) + 1000);
    const std::int64_t longest = SecondOf(m_firstMs + kLongestMs);
    return std::clamp<std::int64_t>(std::min(quiet, longest) - nowMs, 0, kLongestMs);
}
