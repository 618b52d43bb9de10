#include "store/SeriesWalk.h"

#include <algorithm>

#include "store/CandidateBudget.h"
#include "store/DateEntry.h"

bool CSeriesWalk::Walk(const CDateEntry& entry, const CDateTime& until,
                       const std::vector<CDateTime>& dropped, std::int64_t enough) {
    m_starts.clear();
    m_ends.clear();
    m_dropped.clear();
    m_keptBefore.assign(1, 0);
    m_kept.clear();
    const CDateTime from = entry.GetSeriesStart();
    std::int64_t steps = 0;
    CDateTime start;
    CDateTime end;
    for (bool found = entry.GetFirstOccurrence(from, until, start, end);
         found && static_cast<std::int64_t>(m_kept.size()) < enough &&
         ++steps <= CDateEntry::kMostCandidatesPerQuery;
         found = entry.GetNextOccurrence(from, until, start, end)) {
        if (!CCandidateBudget::Take()) return false;
        if (!entry.IsOccurrenceAllowed(start)) continue;
        const bool isDropped = std::binary_search(dropped.begin(), dropped.end(), start);
        if (!isDropped) m_kept.push_back(static_cast<std::int64_t>(m_starts.size()));
        m_starts.push_back(start);
        m_ends.push_back(end);
        m_dropped.push_back(isDropped);
        m_keptBefore.push_back(static_cast<std::int64_t>(m_kept.size()));
    }
    return true;
}

std::int64_t CSeriesWalk::IndexOfExcluded(const CDateTime& excluded) const {
    const auto it = std::lower_bound(m_starts.begin(), m_starts.end(), excluded);
    if (it == m_starts.end() || *it != excluded) return -1;
    const std::int64_t i = it - m_starts.begin();
    return m_dropped[static_cast<std::size_t>(i)] ? i : -1;
}

std::int64_t CSeriesWalk::Count(const CDateTime& c, bool withDrops,
                                const CDateTime& excluded) const {
    const std::int64_t met =
        std::upper_bound(m_starts.begin(), m_starts.end(), c) - m_starts.begin();
    if (!withDrops) return met;
    const std::int64_t own = IndexOfExcluded(excluded);
    return m_keptBefore[static_cast<std::size_t>(met)] + (own >= 0 && own < met ? 1 : 0);
}

bool CSeriesWalk::FindEndOfNth(std::int64_t n, bool withDrops, const CDateTime& excluded,
                               CDateTime& end) const {
    if (n < 1) return false;
    std::int64_t index = n - 1;
    if (withDrops) {
        // The excluded drop joins the kept candidates after those before it.
        const std::int64_t own = IndexOfExcluded(excluded);
        const std::int64_t before = own >= 0 ? m_keptBefore[static_cast<std::size_t>(own)]
                                             : static_cast<std::int64_t>(m_kept.size());
        if (n == before + 1 && own >= 0) {
            index = own;
        } else {
            const std::int64_t nth = n <= before ? n - 1 : n - 2;
            if (nth >= static_cast<std::int64_t>(m_kept.size())) return false;
            index = m_kept[static_cast<std::size_t>(nth)];
        }
    }
    if (index >= static_cast<std::int64_t>(m_ends.size())) return false;
    end = m_ends[static_cast<std::size_t>(index)];
    return true;
}
