// Civil dates and times of the proleptic Gregorian calendar as plain numbers, the one timeline
// the iCalendar code counts on. A value counts seconds from 0001-01-01T00:00:00; whether it is
// a UTC instant or a wall-clock time in some zone is the holder's to know (the name says it:
// utcSeconds, localSeconds).
#pragma once

#include <cstdint>

using IcalSeconds = std::int64_t;

struct CCivilFields {
    int year = 1;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class CCivilTime {
public:
    static constexpr IcalSeconds kSecondsPerDay = 86400;

    // Day number of a date: 0 = 0001-01-01. Any year (also 0 and negative ones) is accepted;
    // month and day are not checked.
    static std::int64_t DaysFromCivil(int year, int month, int day);
    static void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

    static IcalSeconds ToSeconds(const CCivilFields& fields);
    static CCivilFields FromSeconds(IcalSeconds seconds);

    static bool IsLeapYear(int year);
    static int DaysInMonth(int year, int month);
    // 0 = Monday .. 6 = Sunday.
    static int DayOfWeek(std::int64_t days);
    // True for a real date and a time of day 00:00:00..23:59:60 (a leap second is accepted
    // here; callers read it as :59).
    static bool IsValid(const CCivilFields& fields);
};
