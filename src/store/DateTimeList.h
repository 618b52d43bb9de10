// A date entry's list of date-times, held in a CRecordStore: a handle of one pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "datetime/DateTime.h"
#include "store/RecordStore.h"

// The items are kept as their stored pairs (day number, second of day), 8 bytes each, in
// one piece of the store together with the size, the capacity and the store; an empty list
// that never held an item shares the store's empty head (CRecordStore::GetEmptyListHead),
// which has no room. Growing takes a new piece of twice the capacity (at least 4)
// and leaves the old one to the store, so a list that grows to n items leaves at most n
// items' room behind; emptying a list keeps its piece for the next items.
//
// Items are read by value: what a date-time's stored pair does not hold (a date set in year
// 0) is not kept, as in the file.
//
// A list belongs to one entry: it is never copied implicitly (Assign copies the items into
// the list's own store). Moving hands the piece over with the store it lives in; the
// entry's owner keeps that store alive (see CDateEntry).
class CDateTimeList {
public:
    // REQUIRES: `store` outlives the list and every list its piece is moved to.
    explicit CDateTimeList(CRecordStore& store) : m_block(store.GetEmptyListHead()) {}
    CDateTimeList(const CDateTimeList&) = delete;
    CDateTimeList& operator=(const CDateTimeList&) = delete;
    // The list moved from is left empty, in the same store.
    CDateTimeList(CDateTimeList&& other) noexcept : m_block(other.m_block) {
        other.m_block = m_block->store->GetEmptyListHead();
    }
    CDateTimeList& operator=(CDateTimeList&& other) noexcept {
        if (this == &other) return *this;
        m_block = other.m_block;
        other.m_block = m_block->store->GetEmptyListHead();
        return *this;
    }

    int GetSize() const { return static_cast<int>(m_block->size); }
    int GetCapacity() const { return static_cast<int>(m_block->capacity); }
    bool IsEmpty() const { return GetSize() == 0; }

    // REQUIRES: 0 <= index < GetSize().
    CDateTime operator[](int index) const {
        const SPair& pair = Items(m_block)[index];
        return CDateTime::FromStored(pair.day, pair.second);
    }
    CDateTime GetAt(int index) const { return (*this)[index]; }

    // Appends `value`; returns its index.
    int Add(const CDateTime& value);
    // Appends the stored pair as it was read, unvalidated.
    void AddStored(std::int32_t dayNumber, std::int32_t secondOfDay);
    // Appends every item of `other` (this list or any list of date-times with GetSize and
    // operator[]); only the items present at the start are appended.
    template <class TList>
    void Append(const TList& other) {
        const int count = other.GetSize();
        EnsureCapacity(GetSize() + count);
        for (int i = 0; i < count; ++i) Add(other[i]);
    }
    // Makes the items those of `other`, copied into this list's store.
    void Assign(const CDateTimeList& other);
    // The same for any list of date-times with GetSize and operator[].
    template <class TList>
    void Assign(const TList& other) {
        RemoveAll();
        Append(other);
    }
    // The items as they lie in a file on a little-endian machine: 2 * GetSize() int32, day
    // number then second of day per item.
    const std::int32_t* GetStoredPairs() const {
        return reinterpret_cast<const std::int32_t*>(Items(m_block));
    }
    // Appends `count` items left unset and gives their pairs in the same form, for a reader
    // that fills them in place. REQUIRES: GetSize() + count <= GetCapacity().
    std::int32_t* AppendStoredPairs(int count) {
        SPair* const first = Items(m_block) + m_block->size;
        m_block->size += static_cast<std::uint32_t>(count);
        return reinterpret_cast<std::int32_t*>(first);
    }
    // Makes room for at least `capacity` items; a new piece is exactly that size.
    void EnsureCapacity(int capacity);
    // Removes `count` items from `index`; later items move down and keep their order.
    // REQUIRES: 0 <= index, index + count <= GetSize().
    void RemoveAt(int index, int count = 1);
    void RemoveAll() { m_block->size = 0; }
    // Empties the list and leaves its piece to the store.
    void FreeAll() { m_block = m_block->store->GetEmptyListHead(); }

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = CDateTime;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = CDateTime;

        const_iterator(const CDateTimeList* list, int index) : m_list(list), m_index(index) {}
        CDateTime operator*() const { return (*m_list)[m_index]; }
        const_iterator& operator++() {
            ++m_index;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++m_index;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_index == other.m_index; }

    private:
        const CDateTimeList* m_list;
        int m_index;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, GetSize()}; }

private:
    struct SPair {
        std::int32_t day;
        std::int32_t second;
    };
    static_assert(sizeof(SPair) == 2 * sizeof(std::int32_t));
    // The piece: this head, then `capacity` pairs.
    using SBlock = CRecordStore::SListHead;
    static_assert(sizeof(SBlock) % alignof(SPair) == 0);
    static SPair* Items(SBlock* block) { return reinterpret_cast<SPair*>(block + 1); }
    static const SPair* Items(const SBlock* block) {
        return reinterpret_cast<const SPair*>(block + 1);
    }

    void Grow(std::uint32_t capacity);

    SBlock* m_block;
};
