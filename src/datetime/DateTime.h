// A local date and time of day to the second: a day number (1 = 1 January of year 1,
// proleptic Gregorian) and a second of the day, with the calendar fields derived from them.
//
// Stored form (8 bytes): int32 day number, int32 second of day, little-endian; no tag and
// no schema.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "datetime/DateTimeSpan.h"
#include "archive/Archive.h"
#include "archive/Array.h"
#include "archive/Object.h"

class CDateTime : public CObject {
public:
    // 0001-01-01 00:00:00 (day number 1, second 0).
    CDateTime();
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

    int GetDay() const { return m_nDay; }
    int GetMonth() const { return m_nMonth; }
    int GetYear() const { return m_nYear; }
    int GetHour() const { return m_nHour; }
    int GetMinute() const { return m_nMinute; }
    int GetSecond() const { return m_nSecond; }
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
    // " \t:.,-/\\"; missing ones are 0; the result goes through SetDateTime.
    void ParseStorage(const std::string& text);
    // Writes "%d.%m.%Y, %H:%M:%S".
    virtual void Dump(std::ostream& out) const;

    const CRuntimeClass* GetRuntimeClass() const override;
    static const CRuntimeClass* GetThisClass();
    void Serialize(CArchive& ar) override;

private:
    // Moves by whole days and a remainder of seconds (|seconds| < 86400), clamping as
    // described at operator+.
    void MoveBy(std::int64_t days, std::int64_t seconds);
    void UpdateDateFields();
    void UpdateTimeFields();

    std::int32_t m_nDayNumber;
    std::int32_t m_nSecondOfDay;
    std::int32_t m_nDay;
    std::int32_t m_nMonth;
    std::int32_t m_nYear;
    std::int32_t m_nHour;
    std::int32_t m_nMinute;
    std::int32_t m_nSecond;
};

using CDateTimeArray = CArray<CDateTime>;

// Stream operators of the archive for an embedded date-time: exactly its 8 bytes. Inline:
// every stored record has several.
inline CArchive& operator<<(CArchive& ar, const CDateTime& value) {
    ar.WriteInt32(value.GetDayNumber());
    ar.WriteInt32(value.GetSecondOfDay());
    return ar;
}

inline CArchive& operator>>(CArchive& ar, CDateTime& value) {
    value.Serialize(ar);
    return ar;
}
