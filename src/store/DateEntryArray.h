// A list of date entries that keeps their texts and lists in one store of its own.
#pragma once

#include <memory>

#include "archive/Array.h"
#include "store/DateEntry.h"
#include "store/RecordStore.h"

// Every entry of the array is made for the array's store: adding a copy copies its texts
// and lists into the store, and the store lives as long as the array, moves with it, and
// goes at once with all its pieces when the array is destroyed or emptied. Pieces of removed
// or changed entries stay in the store until then. Entries are held by value in one block,
// with CArray's growth rule.
class CDateEntryArray {
public:
    CDateEntryArray();
    // Copies every entry into a store of the new array's own.
    CDateEntryArray(const CDateEntryArray& other);
    CDateEntryArray& operator=(const CDateEntryArray& other);
    CDateEntryArray(CDateEntryArray&& other) noexcept;
    CDateEntryArray& operator=(CDateEntryArray&& other) noexcept;
    ~CDateEntryArray();

    int GetSize() const { return m_entries.GetSize(); }
    int GetCapacity() const { return m_entries.GetCapacity(); }
    bool IsEmpty() const { return m_entries.IsEmpty(); }
    CRecordStore& GetStore() const;

    // REQUIRES: 0 <= index < GetSize().
    CDateEntry& operator[](int index) { return m_entries[index]; }
    const CDateEntry& operator[](int index) const { return m_entries[index]; }

    // Appends a copy of `entry` (which may be an entry of this array); returns its index.
    int Add(const CDateEntry& entry);
    // Appends an entry with the defaults of a new entry (CDateEntry(CRecordStore&)) and
    // returns it: for building an entry in place.
    CDateEntry& AddNew() { return m_entries.Emplace(GetStore()); }
    // Appends an entry with the defaults of loading (CDateEntry::LoadingTag) and returns it.
    CDateEntry& AddForLoading();
    // Removes `count` entries from `index`; later entries move down and keep their order.
    // REQUIRES: 0 <= index, index + count <= GetSize().
    void RemoveAt(int index, int count = 1) { m_entries.RemoveAt(index, count); }
    // Removes every entry and frees the store.
    void RemoveAll();
    // CArray's growth step.
    int GetGrowBy() const { return m_entries.GetGrowBy(); }
    void SetGrowBy(int growBy) { m_entries.SetSize(GetSize(), growBy); }
    // Makes room for at least `capacity` entries, in a block of exactly that size when the
    // array has less room; new room of CRecordStore::kLargeBlock bytes or more is offered to
    // the platform for large pages before any entry is made in it.
    void EnsureCapacity(int capacity);

    auto begin() { return m_entries.begin(); }
    auto end() { return m_entries.end(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    // Declared first: the entries go before the store they point into. Made at its first
    // use, so that an empty or moved-from array holds none.
    mutable std::unique_ptr<CRecordStore> m_store;
    CArray<CDateEntry> m_entries;
};
