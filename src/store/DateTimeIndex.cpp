#include "store/DateTimeIndex.h"

#include <algorithm>

namespace {

// The recent run joins the long one beyond max(kLeastRecent, sqrt(long run)) items.
constexpr std::size_t kLeastRecent = 32;

bool EraseOne(std::vector<std::int64_t>& run, std::int64_t key) {
    const auto at = std::lower_bound(run.begin(), run.end(), key);
    if (at == run.end() || *at != key) return false;
    run.erase(at);
    return true;
}

}  // namespace

void CDateTimeIndex::Clear() {
    m_sorted.clear();
    m_recent.clear();
}

void CDateTimeIndex::Insert(const CDateTime& value) {
    const std::int64_t key = KeyOf(value);
    if (m_recent.empty() && (m_sorted.empty() || m_sorted.back() <= key)) {
        m_sorted.push_back(key);
        return;
    }
    m_recent.insert(std::upper_bound(m_recent.begin(), m_recent.end(), key), key);
    std::size_t limit = kLeastRecent;
    while (limit * limit < m_sorted.size()) limit *= 2;
    if (m_recent.size() > limit) JoinRecent();
}

void CDateTimeIndex::JoinRecent() {
    const std::size_t middle = m_sorted.size();
    m_sorted.insert(m_sorted.end(), m_recent.begin(), m_recent.end());
    std::inplace_merge(m_sorted.begin(), m_sorted.begin() + static_cast<std::ptrdiff_t>(middle),
                       m_sorted.end());
    m_recent.clear();
}

bool CDateTimeIndex::Erase(const CDateTime& value) {
    const std::int64_t key = KeyOf(value);
    return EraseOne(m_recent, key) || EraseOne(m_sorted, key);
}

bool CDateTimeIndex::Contains(const CDateTime& value) const {
    const std::int64_t key = KeyOf(value);
    return std::binary_search(m_sorted.begin(), m_sorted.end(), key) ||
           std::binary_search(m_recent.begin(), m_recent.end(), key);
}

std::size_t CDateTimeIndex::CountUpTo(const CDateTime& value) const {
    const std::int64_t key = KeyOf(value);
    return static_cast<std::size_t>(
        (std::upper_bound(m_sorted.begin(), m_sorted.end(), key) - m_sorted.begin()) +
        (std::upper_bound(m_recent.begin(), m_recent.end(), key) - m_recent.begin()));
}
