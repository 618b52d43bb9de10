// A local date and time of day to the second: a day number (1 = 1 January of year 1,
// proleptic Gregorian) and a second of the day, with the calendar fields derived from them.
// The fields are worked out when asked for, not held: loading, comparing, moving and
// storing touch only the two numbers, and a value takes 24 bytes.
//
// Stored form (8 bytes): int32 day number, int32 second of day, little-endian; no tag and
// no schema.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "archive/Archive.h"
#include "archive/Array.h"
#include "archive/Object.h"
#include "datetime/DateTimeSpan.h"

// What CDateTime::ParseStorage made of its text.
enum class EStorageParse {
    Valid,        // a valid date and time of day
    InvalidDate,  // no valid date: the value is left as it was
    InvalidTime,  // a valid date with an invalid time: the new date with the old time
};

class CDateTime : public CObject {
public:
    // 0001-01-01 00:00:00 (day number 1, second 0).
    CDateTime() = default;
    // Invalid components leave the default value.
    CDateTime(int year, int month, int day);
    CDateTime(int year, int month, int day, int hour, int minute, int second);
    CDateTime(const CDateTime&) = default;
    CDateTime& operator=(const CDateTime&) = default;

    // Local wall-clock time from the platform, milliseconds dropped; a leap second reads as
    // second 59. A clock reading that is no valid date gives the default value.
    static CDateTime Now();
    // A value from its stored pair, unvalidated (as loading does). Any pair is accepted: day
    // numbers below 1 count back through the proleptic calendar (day 0 is 31 December of
    // year 0, years may be negative) and a second of day outside 0..86399 derives hour,
    // minute and second by plain truncating division.
    static CDateTime FromStored(std::int32_t dayNumber, std::int32_t secondOfDay);

    // Setters return false and leave the value unchanged on invalid components.
    // SetDate also fails when the day number would not fit in 32 bits.
    bool SetDate(int year, int month, int day);
    bool SetTime(int hour, int minute, int second);
    bool SetTime(const CDateTime& time);
    // SetDate, then SetTime only if that succeeded; a valid date with an invalid time keeps
    // the new date and the old time, and returns false.
    bool SetDateTime(int year, int month, int day, int hour, int minute, int second);

    int GetDay() const { return GetCalendarDate().m_nDay; }
    int GetMonth() const { return GetCalendarDate().m_nMonth; }
    int GetYear() const { return GetCalendarDate().m_nYear; }
    // Truncating division, also for a second of day outside 0..86399 (only a damaged file
    // holds one).
    int GetHour() const { return m_nSecondOfDay / 3600; }
    int GetMinute() const { return (m_nSecondOfDay % 3600) / 60; }
    int GetSecond() const { return m_nSecondOfDay % 60; }
    std::int32_t GetDayNumber() const { return m_nDayNumber; }
    std::int32_t GetSecondOfDay() const { return m_nSecondOfDay; }
    int GetDayOfYear() const;   // 1..366
    int GetDayOfWeek() const;   // 0 = Monday .. 6 = Sunday
    int GetWeekOfYear() const;  // ISO 8601, 1..53
    int GetDaysInMonth() const;

    // The default date 0001-01-01 with this value's time.
    CDateTime GetTimeOfDay() const;
    // This value's date at 00:00:00.
    CDateTime GetDateOnly() const;

    // Day number first, second of day second.
    bool operator==(const CDateTime& other) const;
    bool operator!=(const CDateTime& other) const;
    bool operator<(const CDateTime& other) const;
    bool operator<=(const CDateTime& other) const;
    bool operator>(const CDateTime& other) const;
    bool operator>=(const CDateTime& other) const;

    // Moving by a span keeps the second of day within 0..86399 (even when a damaged value
    // held one outside it). A result whose day number would not fit in 32 bits is clamped
    // to the first instant of day INT32_MIN or the last instant of day INT32_MAX.
    CDateTime operator+(const CDateTimeSpan& span) const;
    CDateTime operator-(const CDateTimeSpan& span) const;
    CDateTime& operator+=(const CDateTimeSpan& span);
    CDateTime& operator-=(const CDateTimeSpan& span);
    // (day number * 86400 + second of day) difference, in 64 bits.
    CDateTimeSpan operator-(const CDateTime& other) const;

    static bool IsLeapYear(int year);
    // 0 when month is outside 1..12 or year < 0.
    static int DaysInMonth(int year, int month);
    // No validation; a month outside 1..12 counts no days before it.
    static int DayOfYear(int year, int month, int day);
    // 0 for an invalid date or one whose day number does not fit in 32 bits.
    static int DayNumber(int year, int month, int day);
    // (DayNumber + 6) mod 7, so 6 for an invalid date.
    static int DayOfWeek(int year, int month, int day);
    static int WeekOfYear(int year, int month, int day);

    // Text forms. Directives: a A b B d H I j m M p S w W y Y, "#" removes zero fill, any
    // other character after "%" is copied; a trailing lone "%" produces nothing.
    std::string Format(const std::string& format) const;
    // "%Y %m %d %H %M %S".
    std::string FormatStorage() const;
    // Up to six numbers (year, month, day, hour, minute, second) separated by runs of
    // " \t:.,-/\\"; missing ones are 0. They are set as SetDateTime sets them; the result
    // names the part refused, if any.
    EStorageParse ParseStorage(std::string_view text);
    // Writes "%d.%m.%Y, %H:%M:%S".
    virtual void Dump(std::ostream& out) const;

    const CRuntimeClass* GetRuntimeClass() const override;
    static const CRuntimeClass* GetThisClass();
    void Serialize(CArchive& ar) override;

private:
    friend class CPackedDateTime;

    struct SDate {
        int m_nYear;
        int m_nMonth;
        int m_nDay;
    };

    // Moves by whole days and a remainder of seconds (|seconds| < 86400), clamping as
    // described at operator+.
    void MoveBy(std::int64_t days, std::int64_t seconds);
    // The calendar date of the day number; for a date set in year 0, that date.
    SDate GetCalendarDate() const;

    std::int32_t m_nDayNumber = 1;
    std::int32_t m_nSecondOfDay = 0;
    // Set by SetDate for a date in year 0, whose day number is its day of the year and so
    // also names a day of year 1 (or 1 January of year 2); anything else that gives the value
    // a new day number clears it.
    bool m_bYearZero = false;
};

using CDateTimeArray = CArray<CDateTime>;

inline CDateTime CDateTime::FromStored(std::int32_t dayNumber, std::int32_t secondOfDay) {
    CDateTime result;
    result.m_nDayNumber = dayNumber;
    result.m_nSecondOfDay = secondOfDay;
    return result;
}

// Stream operators of the archive for an embedded date-time: exactly its 8 bytes. Inline:
// every stored record has several.
inline CArchive& operator<<(CArchive& ar, const CDateTime& value) {
    ar.WriteInt32(value.GetDayNumber());
    ar.WriteInt32(value.GetSecondOfDay());
    return ar;
}

inline CArchive& operator>>(CArchive& ar, CDateTime& value) {
    const std::int32_t dayNumber = ar.ReadInt32();
    const std::int32_t secondOfDay = ar.ReadInt32();
    value = CDateTime::FromStored(dayNumber, secondOfDay);
    return ar;
}
