#include "store/RecordStore.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/Platform.h"

CRecordStore::CRecordStore(std::size_t firstBlock)
    : m_nextBlock(std::clamp<std::size_t>(firstBlock, 64, kLargestBlock)) {}

CRecordStore::~CRecordStore() = default;

void* CRecordStore::Allocate(std::size_t bytes, std::size_t alignment) {
    const auto misalignment = reinterpret_cast<std::uintptr_t>(m_next) & (alignment - 1);
    std::size_t padding = misalignment == 0 ? 0 : alignment - misalignment;
    if (m_next == nullptr || static_cast<std::size_t>(m_end - m_next) < padding + bytes) {
        AddBlock(std::max(m_nextBlock, bytes));
        m_nextBlock = std::min(m_nextBlock * 2, kLargestBlock);
        padding = 0;
    }
    std::byte* piece = m_next + padding;
    m_next = piece + bytes;
    return piece;
}

void CRecordStore::Reserve(std::size_t bytes) {
    if (m_next != nullptr && static_cast<std::size_t>(m_end - m_next) >= bytes) return;
    AddBlock(bytes);
}

void CRecordStore::AddBlock(std::size_t size) {
    // Aligned for any piece; a large block on a large page's boundary.
    const std::align_val_t alignment{size >= kLargeBlock ? kLargeBlock : alignof(std::max_align_t)};
    m_blocks.push_back(
        Block(static_cast<std::byte*>(::operator new[](size, alignment)), SBlockDelete{alignment}));
    m_next = m_blocks.back().get();
    m_end = m_next + size;
    m_reserved += size;
    if (size >= kLargeBlock) CPlatform::Current().AdviseLargeBuffer(m_next, size);
}

CRecordText CRecordStore::Text(std::string_view text) {
    if (text.empty()) return CRecordText();
    const auto length = static_cast<std::uint32_t>(text.size());
    auto* piece = static_cast<char*>(Allocate(sizeof length + text.size(), 1));
    std::memcpy(piece, &length, sizeof length);
    std::memcpy(piece + sizeof length, text.data(), text.size());
    return CRecordText(piece);
}
