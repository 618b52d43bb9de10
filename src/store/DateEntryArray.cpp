#include "store/DateEntryArray.h"

#include <cstddef>
#include <utility>

#include "platform/Platform.h"

CDateEntryArray::CDateEntryArray() = default;

CDateEntryArray::CDateEntryArray(const CDateEntryArray& other) : CDateEntryArray() {
    *this = other;
}

CDateEntryArray& CDateEntryArray::operator=(const CDateEntryArray& other) {
    if (this == &other) return *this;
    CDateEntryArray copy;
    copy.EnsureCapacity(other.GetSize());
    for (const CDateEntry& entry : other) copy.Add(entry);
    return *this = std::move(copy);
}

CDateEntryArray::CDateEntryArray(CDateEntryArray&& other) noexcept = default;
CDateEntryArray& CDateEntryArray::operator=(CDateEntryArray&& other) noexcept = default;
CDateEntryArray::~CDateEntryArray() = default;

void CDateEntryArray::EnsureCapacity(int capacity) {
    if (capacity <= m_entries.GetCapacity()) return;
    m_entries.EnsureCapacity(capacity);
    // The room beyond the entries already there is the part not yet written.
    const std::size_t unused = sizeof(CDateEntry) * static_cast<std::size_t>(capacity - GetSize());
    if (unused >= CRecordStore::kLargeBlock) {
        CPlatform::Current().AdviseLargeBuffer(m_entries.GetData() + GetSize(), unused);
    }
}

int CDateEntryArray::Add(const CDateEntry& entry) {
    // Copied before the array may grow and move `entry`, if it is one of its own.
    CDateEntry copy(GetStore(), CDateEntry::LoadingTag{});
    copy = entry;
    m_entries.Emplace(std::move(copy));
    return GetSize() - 1;
}

CDateEntry& CDateEntryArray::AddForLoading() {
    return m_entries.Emplace(GetStore(), CDateEntry::LoadingTag{});
}

void CDateEntryArray::RemoveAll() {
    m_entries.FreeAll();
    m_store.reset();
}

CRecordStore& CDateEntryArray::GetStore() const {
    if (m_store == nullptr) m_store = std::make_unique<CRecordStore>();
    return *m_store;
}
