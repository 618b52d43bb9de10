// A CDateTime in 12 bytes, for records that hold many of them.
#pragma once

#include <compare>
#include <cstdint>

#include "archive/Archive.h"
#include "datetime/DateTime.h"
#include "datetime/DateTimeSpan.h"

// The day number, the second of the day and the year-0 mark of a CDateTime, without the
// object base whose table pointer makes a CDateTime 24 bytes. It converts to and from
// CDateTime both ways without loss; it compares as CDateTime compares (day number, then second
// of day) and moves by a span into a CDateTime; everything else a date-time does is done on
// the CDateTime it converts to.
//
// Stored form: that of CDateTime (8 bytes; the year-0 mark is not stored).
class CPackedDateTime {
public:
    // 0001-01-01 00:00:00.
    constexpr CPackedDateTime() = default;
    // Implicit both ways: a field of this type reads and takes CDateTime values.
    CPackedDateTime(const CDateTime& value)
        : m_nDayNumber(value.m_nDayNumber),
          m_nSecondOfDay(value.m_nSecondOfDay),
          m_bYearZero(value.m_bYearZero) {}
    // As CDateTime::FromStored.
    static constexpr CPackedDateTime FromStored(std::int32_t dayNumber, std::int32_t secondOfDay) {
        CPackedDateTime value;
        value.m_nDayNumber = dayNumber;
        value.m_nSecondOfDay = secondOfDay;
        return value;
    }
    operator CDateTime() const { return Get(); }
    CDateTime Get() const {
        CDateTime value = CDateTime::FromStored(m_nDayNumber, m_nSecondOfDay);
        value.m_bYearZero = m_bYearZero;
        return value;
    }

    std::int32_t GetDayNumber() const { return m_nDayNumber; }
    std::int32_t GetSecondOfDay() const { return m_nSecondOfDay; }

    friend bool operator==(const CPackedDateTime& a, const CPackedDateTime& b) {
        return a.m_nDayNumber == b.m_nDayNumber && a.m_nSecondOfDay == b.m_nSecondOfDay;
    }
    friend std::strong_ordering operator<=>(const CPackedDateTime& a, const CPackedDateTime& b) {
        if (a.m_nDayNumber != b.m_nDayNumber) return a.m_nDayNumber <=> b.m_nDayNumber;
        return a.m_nSecondOfDay <=> b.m_nSecondOfDay;
    }
    // Mixed forms, exact for either order, so that no comparison of the two types is
    // ambiguous with CDateTime's own operators.
    friend bool operator==(const CPackedDateTime& a, const CDateTime& b) {
        return a == CPackedDateTime(b);
    }
    friend std::strong_ordering operator<=>(const CPackedDateTime& a, const CDateTime& b) {
        return a <=> CPackedDateTime(b);
    }
    friend CDateTime operator+(const CPackedDateTime& value, const CDateTimeSpan& span) {
        return value.Get() + span;
    }
    friend CDateTime operator-(const CPackedDateTime& value, const CDateTimeSpan& span) {
        return value.Get() - span;
    }
    friend CDateTimeSpan operator-(const CPackedDateTime& a, const CPackedDateTime& b) {
        return a.Get() - b.Get();
    }
    friend CDateTimeSpan operator-(const CPackedDateTime& a, const CDateTime& b) {
        return a.Get() - b;
    }
    friend CDateTimeSpan operator-(const CDateTime& a, const CPackedDateTime& b) {
        return a - b.Get();
    }

private:
    std::int32_t m_nDayNumber = 1;
    std::int32_t m_nSecondOfDay = 0;
    bool m_bYearZero = false;
};

inline CArchive& operator<<(CArchive& ar, const CPackedDateTime& value) {
    ar.WriteInt32(value.GetDayNumber());
    ar.WriteInt32(value.GetSecondOfDay());
    return ar;
}

inline CArchive& operator>>(CArchive& ar, CPackedDateTime& value) {
    const std::int32_t dayNumber = ar.ReadInt32();
    const std::int32_t secondOfDay = ar.ReadInt32();
    value = CPackedDateTime::FromStored(dayNumber, secondOfDay);
    return ar;
}
