#include "store/DateTimeList.h"

#include <algorithm>
#include <cstring>

#include "store/RecordStore.h"

int CDateTimeList::Add(const CDateTime& value) {
    AddStored(value.GetDayNumber(), value.GetSecondOfDay());
    return GetSize() - 1;
}

void CDateTimeList::AddStored(std::int32_t dayNumber, std::int32_t secondOfDay) {
    if (m_block->size == m_block->capacity) {
        Grow(std::max<std::uint32_t>(4, 2 * m_block->capacity));
    }
    Items(m_block)[m_block->size++] = SPair{dayNumber, secondOfDay};
}

void CDateTimeList::Assign(const CDateTimeList& other) {
    if (this == &other) return;
    RemoveAll();
    const int count = other.GetSize();
    if (count == 0) return;
    EnsureCapacity(count);
    std::memcpy(Items(m_block), Items(other.m_block), sizeof(SPair) * count);
    m_block->size = static_cast<std::uint32_t>(count);
}

void CDateTimeList::EnsureCapacity(int capacity) {
    if (capacity > GetCapacity()) Grow(static_cast<std::uint32_t>(capacity));
}

void CDateTimeList::RemoveAt(int index, int count) {
    if (count <= 0) return;
    SPair* first = Items(m_block) + index;
    std::memmove(first, first + count, sizeof(SPair) * (m_block->size - index - count));
    m_block->size -= static_cast<std::uint32_t>(count);
}

void CDateTimeList::Grow(std::uint32_t capacity) {
    CRecordStore* const store = m_block->store;
    const std::size_t bytes = sizeof(SBlock) + sizeof(SPair) * capacity;
    auto* block = static_cast<SBlock*>(store->Allocate(bytes, alignof(SBlock)));
    block->capacity = capacity;
    block->size = m_block->size;
    block->store = store;
    std::memcpy(Items(block), Items(m_block), sizeof(SPair) * m_block->size);
    m_block = block;
}
