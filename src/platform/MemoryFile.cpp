#include "platform/MemoryFile.h"

#include <algorithm>
#include <cstring>

bool CMemoryFile::Read(void* buffer, std::size_t count, std::size_t& read) {
    read = 0;
    if (count == 0) return true;
    const std::uint64_t available = m_position < m_data.size() ? m_data.size() - m_position : 0;
    std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(count, available));
    const bool fail = m_readBudget != kNoLimit && wanted > m_readBudget;
    if (fail) wanted = m_readBudget;
    if (wanted > 0) std::memcpy(buffer, m_data.data() + m_position, wanted);
    m_position += wanted;
    if (m_readBudget != kNoLimit) m_readBudget -= wanted;
    read = wanted;
    return !fail;
}

bool CMemoryFile::Write(const void* buffer, std::size_t count) {
    if (count == 0) return true;
    const bool fail = m_writeBudget != kNoLimit && count > m_writeBudget;
    const std::size_t stored = fail ? m_writeBudget : count;
    if (stored > 0) {
        const std::uint64_t end = m_position + stored;
        if (end > m_data.size()) m_data.resize(static_cast<std::size_t>(end));
        std::memcpy(m_data.data() + m_position, buffer, stored);
        m_position = end;
    }
    if (m_writeBudget != kNoLimit) m_writeBudget -= stored;
    return !fail;
}

bool CMemoryFile::GetLength(std::uint64_t& length) {
    if (m_failQueries) return false;
    length = m_data.size();
    return true;
}

bool CMemoryFile::GetPosition(std::uint64_t& position) {
    if (m_failQueries) return false;
    position = m_position;
    return true;
}

bool CMemoryFile::Flush() {
    return true;
}

void CMemoryFile::SetData(std::vector<std::uint8_t> data) {
    m_data = std::move(data);
    m_position = 0;
}

void CMemoryFile::FailReadAfter(std::size_t bytes) {
    m_readBudget = bytes;
}

void CMemoryFile::FailWriteAfter(std::size_t bytes) {
    m_writeBudget = bytes;
}
