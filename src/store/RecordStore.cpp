#include "store/RecordStore.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

CRecordStore::CRecordStore(std::size_t firstBlock)
    : m_nextBlock(std::clamp<std::size_t>(firstBlock, 64, kLargestBlock)) {}

CRecordStore::~CRecordStore() = default;

void* CRecordStore::Allocate(std::size_t bytes, std::size_t alignment) {
    const auto misalignment = reinterpret_cast<std::uintptr_t>(m_next) & (alignment - 1);
    std::size_t padding = misalignment == 0 ? 0 : alignment - misalignment;
    if (m_next == nullptr || static_cast<std::size_t>(m_end - m_next) < padding + bytes) {
        // Blocks from operator new[] are aligned for any piece.
        const std::size_t size = std::max(m_nextBlock, bytes);
        m_blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
        m_next = m_blocks.back().get();
        m_end = m_next + size;
        m_reserved += size;
        m_nextBlock = std::min(m_nextBlock * 2, kLargestBlock);
        padding = 0;
    }
    std::byte* piece = m_next + padding;
    m_next = piece + bytes;
    return piece;
}

CRecordText CRecordStore::Text(std::string_view text) {
    if (text.empty()) return CRecordText();
    const auto length = static_cast<std::uint32_t>(text.size());
    auto* piece = static_cast<char*>(Allocate(sizeof length + text.size(), 1));
    std::memcpy(piece, &length, sizeof length);
    std::memcpy(piece + sizeof length, text.data(), text.size());
    return CRecordText(piece);
}
