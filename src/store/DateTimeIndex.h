// A sorted index of the date-times of one list, for lookups by value in O(log n) whatever the
// list's own order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "datetime/DateTime.h"

// A multiset of date-times, ordered as date-times are (day number, then second of day), held
// as one sorted run and a short sorted run of the latest insertions, which joins the long one
// once it outgrows about the square root of its length: an insertion in order (the common
// case) costs O(1), one out of order O(sqrt n) amortised, and a lookup two binary searches.
class CDateTimeIndex {
public:
    void Clear();
    void Insert(const CDateTime& value);
    // Removes one copy of `value`; false when there is none.
    bool Erase(const CDateTime& value);
    bool Contains(const CDateTime& value) const;
    // The copies of values that are <= `value`.
    std::size_t CountUpTo(const CDateTime& value) const;
    std::size_t GetSize() const { return m_sorted.size() + m_recent.size(); }

    // The key of a date-time: its stored pair, ordered as the date-times are.
    static std::int64_t KeyOf(const CDateTime& value) {
        return static_cast<std::int64_t>(value.GetDayNumber()) * (std::int64_t{1} << 32) +
               (static_cast<std::int64_t>(value.GetSecondOfDay()) + (std::int64_t{1} << 31));
    }

private:
    void JoinRecent();

    std::vector<std::int64_t> m_sorted;
    std::vector<std::int64_t> m_recent;
};
