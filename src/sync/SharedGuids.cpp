#include "sync/SharedGuids.h"

#include <utility>

void CSharedGuids::AddOther(const std::vector<std::string>& guids, bool earlier) {
    m_all.insert(guids.begin(), guids.end());
    if (earlier) m_earlier.insert(guids.begin(), guids.end());
}

int CSharedGuids::LeaveOwnedAlone(CDateEntryArray& feed) const {
    if (m_earlier.empty()) return 0;
    std::unordered_set<std::string> left;
    const int size = feed.GetSize();
    int kept = 0;
    for (int i = 0; i < size; ++i) {
        std::string guid(feed[i].GetGuid());
        if (m_earlier.count(guid) != 0) {
            left.insert(std::move(guid));
            continue;
        }
        if (kept != i) feed[kept] = std::move(feed[i]);
        ++kept;
    }
    const int count = static_cast<int>(left.size());
    if (kept < size) feed.RemoveAt(kept, size - kept);
    return count;
}

std::vector<std::string> CSharedGuids::NotHeldByOthers(
    const std::vector<std::string>& guids) const {
    std::vector<std::string> mine;
    for (const std::string& guid : guids) {
        if (m_all.count(guid) == 0) mine.push_back(guid);
    }
    return mine;
}
