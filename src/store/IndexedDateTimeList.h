// A date entry's list of date-times with a sorted index beside it, for a list that is looked
// up by value often (the dropped occurrences): Find and Contains cost O(log n) instead of a
// scan, and the list keeps its own order.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "store/DateTimeIndex.h"
#include "store/DateTimeList.h"

// The index is built on the first lookup of a list longer than kScannedItems (a shorter one
// is scanned) and kept up to date by Add, RemoveAt and RemoveAll; the operations that change
// many items at once drop it, and the next lookup builds it again. Every change passes
// through this class: Edit hands out the bare list for writing and drops the index first.
class CIndexedDateTimeList {
public:
    static constexpr int kScannedItems = 16;

    explicit CIndexedDateTimeList(CRecordStore& store) : m_list(store) {}
    CIndexedDateTimeList(const CIndexedDateTimeList&) = delete;
    CIndexedDateTimeList& operator=(const CIndexedDateTimeList&) = delete;
    CIndexedDateTimeList(CIndexedDateTimeList&& other) noexcept = default;
    CIndexedDateTimeList& operator=(CIndexedDateTimeList&& other) noexcept = default;

    // The items, for reading.
    const CDateTimeList& Items() const { return m_list; }
    operator const CDateTimeList&() const { return m_list; }
    // The items for a change of any kind. REQUIRES: the reference is not kept past the change.
    CDateTimeList& Edit() {
        m_index.reset();
        return m_list;
    }

    int GetSize() const { return m_list.GetSize(); }
    bool IsEmpty() const { return m_list.IsEmpty(); }
    CDateTime operator[](int index) const { return m_list[index]; }
    CDateTime GetAt(int index) const { return m_list[index]; }
    CDateTimeList::const_iterator begin() const { return m_list.begin(); }
    CDateTimeList::const_iterator end() const { return m_list.end(); }

    // Index of the first item equal to `value`, or -1.
    int Find(const CDateTime& value) const;
    bool Contains(const CDateTime& value) const;
    // The items that are <= `value` (counted with their copies).
    int CountUpTo(const CDateTime& value) const;

    // A sequence of numbers that a caller derives from the items, named by `key` (say the
    // rule that turns the items into numbers), kept beside the index until the items change,
    // so that many queries under one rule derive it once. Only for a list long enough to be
    // indexed: null otherwise, and null when nothing is kept under `key`.
    using DerivedKey = std::array<std::int64_t, 8>;
    const std::vector<std::int64_t>* FindDerived(const DerivedKey& key) const;
    // Keeps `values` under `key` (replacing what was kept) and returns them; for a list too
    // short to be indexed returns them without keeping them (valid until the next such call
    // on the thread).
    const std::vector<std::int64_t>& KeepDerived(const DerivedKey& key,
                                                 std::vector<std::int64_t> values) const;

    int Add(const CDateTime& value);
    // REQUIRES: 0 <= index, index + count <= GetSize().
    void RemoveAt(int index, int count = 1);
    void RemoveAll();
    void FreeAll();
    // Makes the items those of `other` (any list of date-times with GetSize and operator[]).
    template <class TList>
    void Assign(const TList& other) {
        Edit().Assign(other);
    }
    void Assign(const CIndexedDateTimeList& other) { Edit().Assign(other.m_list); }
    template <class TList>
    void Append(const TList& other) {
        Edit().Append(other);
    }

private:
    struct SLookup {
        CDateTimeIndex index;
        bool hasDerived = false;
        DerivedKey derivedKey{};
        std::vector<std::int64_t> derived;
    };
    // The index, built when missing; null for a list short enough to scan.
    const CDateTimeIndex* GetIndex() const;
    // After a change of the items that the index follows.
    void ForgetDerived();

    CDateTimeList m_list;
    mutable std::unique_ptr<SLookup> m_index;
};
