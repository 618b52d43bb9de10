#include "datetime/DateTime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "archive/ArchiveException.h"
#include "platform/MemoryFile.h"
#include "support/FakePlatform.h"

namespace {

using namespace std::chrono;

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
// Day number of 1970-01-01, the epoch of std::chrono::sys_days.
constexpr int kUnixEpochDay = 719163;
// The last date whose day number fits in 32 bits: 5879611-07-11 is day 2147483647.
constexpr int kLastYear = 5879611;

struct Ymd {
    int year;
    int month;
    int day;
};

struct Ymdhms {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

std::string Describe(const CDateTime& value) {
    std::ostringstream out;
    out << value.GetYear() << '-' << value.GetMonth() << '-' << value.GetDay() << ' '
        << value.GetHour() << ':' << value.GetMinute() << ':' << value.GetSecond() << " (day "
        << value.GetDayNumber() << ", second " << value.GetSecondOfDay() << ')';
    return out.str();
}

void ExpectFields(const CDateTime& value, const Ymdhms& expected) {
    EXPECT_EQ(value.GetYear(), expected.year) << Describe(value);
    EXPECT_EQ(value.GetMonth(), expected.month) << Describe(value);
    EXPECT_EQ(value.GetDay(), expected.day) << Describe(value);
    EXPECT_EQ(value.GetHour(), expected.hour) << Describe(value);
    EXPECT_EQ(value.GetMinute(), expected.minute) << Describe(value);
    EXPECT_EQ(value.GetSecond(), expected.second) << Describe(value);
}

CDateTime Make(const Ymdhms& v) {
    CDateTime value;
    EXPECT_TRUE(value.SetDateTime(v.year, v.month, v.day, v.hour, v.minute, v.second));
    return value;
}

// Month length for any year, negative ones included (DaysInMonth refuses those).
int MonthLength(int year, int month) {
    constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kLengths[month - 1];
}

sys_days ChronoDay(std::int64_t dayNumber) {
    return sys_days{days{dayNumber - kUnixEpochDay}};
}

// ISO 8601 week, computed from the Thursday of the date's week.
int IsoWeek(sys_days date) {
    const int mondayBased = static_cast<int>(weekday{date}.iso_encoding()) - 1;
    const sys_days thursday = date + days{3 - mondayBased};
    const year isoYear = year_month_day{thursday}.year();
    return static_cast<int>((thursday - sys_days{isoYear / January / 1}).count() / 7) + 1;
}

// ---------------------------------------------------------------------------------------
// The whole range 0001-01-01 .. 9999-12-31 against std::chrono.

TEST(DateTimeCalendarTest, EveryDayOfYears1To9999MatchesChrono) {
    constexpr int kLastDay = 3652059;
    int failures = 0;
    std::string first;
    auto fail = [&](std::int64_t dayNumber, const std::string& what) {
        if (failures++ == 0) first = std::to_string(dayNumber) + ": " + what;
    };
    int previousDayOfYear = 0;
    for (int n = 1; n <= kLastDay; ++n) {
        const CDateTime value = CDateTime::FromStored(n, 0);
        const sys_days date = ChronoDay(n);
        const year_month_day ymd{date};
        const int y = static_cast<int>(ymd.year());
        const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
        const int d = static_cast<int>(static_cast<unsigned>(ymd.day()));
        if (value.GetYear() != y || value.GetMonth() != m || value.GetDay() != d) {
            fail(n, "date " + Describe(value));
            continue;
        }
        if (CDateTime::DayNumber(y, m, d) != n) fail(n, "DayNumber");
        CDateTime set;
        if (!set.SetDate(y, m, d) || set.GetDayNumber() != n) fail(n, "SetDate");
        const int dayOfWeek = static_cast<int>(weekday{date}.iso_encoding()) - 1;
        if (value.GetDayOfWeek() != dayOfWeek) fail(n, "GetDayOfWeek");
        if (CDateTime::DayOfWeek(y, m, d) != dayOfWeek) fail(n, "DayOfWeek");
        const int week = IsoWeek(date);
        if (value.GetWeekOfYear() != week) fail(n, "GetWeekOfYear");
        if (CDateTime::WeekOfYear(y, m, d) != week) fail(n, "WeekOfYear");
        const int dayOfYear =
            static_cast<int>((date - sys_days{ymd.year() / January / 1}).count()) + 1;
        if (value.GetDayOfYear() != dayOfYear) fail(n, "GetDayOfYear");
        if (dayOfYear != 1 && dayOfYear != previousDayOfYear + 1)
            fail(n, "day of year not consecutive");
        previousDayOfYear = dayOfYear;
        const int daysInMonth = static_cast<int>(
            static_cast<unsigned>(year_month_day_last{ymd.year() / ymd.month() / last}.day()));
        if (value.GetDaysInMonth() != daysInMonth) fail(n, "GetDaysInMonth");
    }
    EXPECT_EQ(failures, 0) << "first: " << first;
}

TEST(DateTimeCalendarTest, LeapYears) {
    const struct {
        int year;
        bool leap;
    } cases[] = {{0, true},     {1, false},    {4, true},     {100, false}, {400, true},
                 {1900, false}, {2000, true},  {2023, false}, {2024, true}, {2100, false},
                 {-4, true},    {-100, false}, {-400, true}};
    for (const auto& c : cases) {
        EXPECT_EQ(CDateTime::IsLeapYear(c.year), c.leap) << c.year;
    }
}

TEST(DateTimeCalendarTest, DaysInMonthRejectsOutOfRangeMonthAndYear) {
    const struct {
        int year;
        int month;
        int expected;
    } cases[] = {{2024, 2, 29},        {2023, 2, 28},       {1900, 2, 28}, {2000, 2, 29},
                 {0, 2, 29},           {2024, 1, 31},       {2024, 4, 30}, {2024, 12, 31},
                 {2024, 0, 0},         {2024, 13, 0},       {-1, 1, 0},    {kInt32Min, 1, 0},
                 {2024, kInt32Max, 0}, {2024, kInt32Min, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(CDateTime::DaysInMonth(c.year, c.month), c.expected) << c.year << '-' << c.month;
    }
}

TEST(DateTimeCalendarTest, DayOfYearDoesNotValidate) {
    const struct {
        int year;
        int month;
        int day;
        int expected;
    } cases[] = {
        {2024, 3, 1, 61},
        {2023, 3, 1, 60},
        {2023, 2, 30, 61},
        {2024, 12, 31, 366},
        {2023, 12, 31, 365},
        {0, 3, 1, 61},
        {2024, 1, 0, 0},
        {2024, 1, -5, -5},
        // Months outside 1..12 count no days before them instead of reading past the table.
        {2024, 0, 7, 7},
        {2024, 13, 7, 7},
        {2024, kInt32Min, 7, 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CDateTime::DayOfYear(c.year, c.month, c.day), c.expected)
            << c.year << '-' << c.month << '-' << c.day;
    }
}

TEST(DateTimeCalendarTest, DayNumberOfKnownAndInvalidDates) {
    const struct {
        Ymd date;
        int expected;
    } cases[] = {
        {{1, 1, 1}, 1},
        {{1970, 1, 1}, 719163},
        {{9999, 12, 31}, 3652059},
        // Year 0 counts its day of the year alone.
        {{0, 1, 1}, 1},
        {{0, 12, 31}, 366},
        {{kLastYear, 7, 11}, kInt32Max},
        {{kLastYear, 7, 12}, 0},  // past 32 bits
        {{kInt32Max, 1, 1}, 0},
        {{2023, 2, 29}, 0},
        {{2024, 4, 31}, 0},
        {{2024, 0, 1}, 0},
        {{2024, 13, 1}, 0},
        {{2024, 1, 0}, 0},
        {{-1, 1, 1}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CDateTime::DayNumber(c.date.year, c.date.month, c.date.day), c.expected)
            << c.date.year << '-' << c.date.month << '-' << c.date.day;
    }
    // An invalid date is day 0, hence a Sunday.
    EXPECT_EQ(CDateTime::DayOfWeek(2023, 2, 29), 6);
    EXPECT_EQ(CDateTime::DayOfWeek(kLastYear, 7, 11), (kInt32Max + std::int64_t{6}) % 7);
}

TEST(DateTimeCalendarTest, IsoWeekAtYearBoundaries) {
    const struct {
        Ymd date;
        int week;
    } cases[] = {
        {{2021, 1, 3}, 53},   {{2021, 1, 4}, 1},  {{2020, 12, 31}, 53}, {{2024, 12, 30}, 1},
        {{2024, 12, 29}, 52}, {{2005, 1, 1}, 53}, {{2005, 1, 2}, 53},   {{2010, 1, 3}, 53},
        {{2008, 12, 29}, 1},  {{2026, 1, 1}, 1},  {{2027, 1, 1}, 53},   {{2022, 1, 1}, 52},
        {{1, 1, 1}, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CDateTime::WeekOfYear(c.date.year, c.date.month, c.date.day), c.week)
            << c.date.year << '-' << c.date.month << '-' << c.date.day;
        EXPECT_EQ(CDateTime(c.date.year, c.date.month, c.date.day).GetWeekOfYear(), c.week);
    }
}

TEST(DateTimeCalendarTest, WeekOfYearTerminatesForYearsWithoutDayNumbers) {
    // Negative years and years past 32-bit day numbers have no day of the week of their own
    // (day 0, a Sunday); the week must still come out in 1..53 without endless recursion.
    const Ymd cases[] = {{-1, 1, 1},
                         {kInt32Min, 1, 1},
                         {kInt32Max, 1, 1},
                         {kInt32Max, 12, 31},
                         {kLastYear + 1, 1, 2}};
    for (const auto& c : cases) {
        const int week = CDateTime::WeekOfYear(c.year, c.month, c.day);
        EXPECT_GE(week, 1) << c.year;
        EXPECT_LE(week, 53) << c.year;
    }
}

// ---------------------------------------------------------------------------------------
// Construction and setters.

TEST(DateTimeValueTest, DefaultIsFirstDayOfYearOneAMonday) {
    const CDateTime value;
    EXPECT_EQ(value.GetDayNumber(), 1);
    EXPECT_EQ(value.GetSecondOfDay(), 0);
    ExpectFields(value, {1, 1, 1, 0, 0, 0});
    EXPECT_EQ(value.GetDayOfWeek(), 0);
    EXPECT_EQ(value, CDateTime::FromStored(1, 0));
}

TEST(DateTimeValueTest, ComponentConstructors) {
    const CDateTime date(2024, 5, 17);
    ExpectFields(date, {2024, 5, 17, 0, 0, 0});
    const CDateTime dateTime(2024, 5, 17, 8, 30, 15);
    ExpectFields(dateTime, {2024, 5, 17, 8, 30, 15});
    EXPECT_EQ(dateTime.GetSecondOfDay(), 8 * 3600 + 30 * 60 + 15);
    EXPECT_EQ(dateTime.GetDayNumber(), CDateTime::DayNumber(2024, 5, 17));

    // Invalid components give the default value, including a valid date with a bad time.
    const CDateTime invalid[] = {CDateTime(2023, 2, 29), CDateTime(2024, 13, 1),
                                 CDateTime(2024, 5, 17, 24, 0, 0), CDateTime(-1, 1, 1, 0, 0, 0)};
    for (const CDateTime& value : invalid) {
        EXPECT_EQ(value, CDateTime()) << Describe(value);
        ExpectFields(value, {1, 1, 1, 0, 0, 0});
    }
}

TEST(DateTimeValueTest, SetDateAcceptsOrLeavesValueUnchanged) {
    const struct {
        Ymd date;
        bool ok;
    } cases[] = {
        {{2024, 2, 29}, true},
        {{2023, 2, 29}, false},
        {{1900, 2, 29}, false},
        {{2000, 2, 29}, true},
        {{2024, 4, 30}, true},
        {{2024, 4, 31}, false},
        {{2024, 1, 31}, true},
        {{2024, 1, 32}, false},
        {{2024, 0, 1}, false},
        {{2024, 13, 1}, false},
        {{2024, 1, 0}, false},
        {{2024, 1, -1}, false},
        {{-1, 12, 31}, false},
        {{0, 1, 1}, true},
        {{0, 2, 29}, true},
        {{9999, 12, 31}, true},
        {{kLastYear, 7, 11}, true},
        // The day number would not fit in 32 bits.
        {{kLastYear, 7, 12}, false},
        {{kLastYear, 12, 31}, false},
        {{kLastYear + 1, 1, 1}, false},
        {{kInt32Max, 12, 31}, false},
    };
    for (const auto& c : cases) {
        CDateTime value(2010, 6, 15, 13, 14, 15);
        const CDateTime before = value;
        const bool ok = value.SetDate(c.date.year, c.date.month, c.date.day);
        EXPECT_EQ(ok, c.ok) << c.date.year << '-' << c.date.month << '-' << c.date.day;
        if (ok) {
            ExpectFields(value, {c.date.year, c.date.month, c.date.day, 13, 14, 15});
            EXPECT_EQ(value.GetSecondOfDay(), before.GetSecondOfDay());
            EXPECT_EQ(value.GetDayNumber(),
                      CDateTime::DayNumber(c.date.year, c.date.month, c.date.day));
        } else {
            EXPECT_EQ(value, before);
            ExpectFields(value, {2010, 6, 15, 13, 14, 15});
        }
    }
}

TEST(DateTimeValueTest, YearZeroSharesDayNumbersWithYearOne) {
    CDateTime value;
    ASSERT_TRUE(value.SetDate(0, 3, 1));
    EXPECT_EQ(value.GetYear(), 0);
    EXPECT_EQ(value.GetDayNumber(), 61);
    EXPECT_EQ(value.GetDayOfYear(), 61);
    EXPECT_EQ(value, CDateTime(1, 3, 2));
    // Any recomputation from the day number lands in year 1.
    ExpectFields(value + CDateTimeSpan(0), {1, 3, 2, 0, 0, 0});
}

TEST(DateTimeValueTest, SetTimeAcceptsOrLeavesValueUnchanged) {
    const struct {
        int hour;
        int minute;
        int second;
        bool ok;
    } cases[] = {
        {0, 0, 0, true},   {23, 59, 59, true},       {12, 0, 0, true},         {24, 0, 0, false},
        {-1, 0, 0, false}, {0, 60, 0, false},        {0, -1, 0, false},        {0, 0, 60, false},
        {0, 0, -1, false}, {kInt32Max, 0, 0, false}, {0, kInt32Min, 0, false},
    };
    for (const auto& c : cases) {
        CDateTime value(2010, 6, 15, 13, 14, 15);
        const CDateTime before = value;
        const bool ok = value.SetTime(c.hour, c.minute, c.second);
        EXPECT_EQ(ok, c.ok) << c.hour << ':' << c.minute << ':' << c.second;
        if (ok) {
            ExpectFields(value, {2010, 6, 15, c.hour, c.minute, c.second});
            EXPECT_EQ(value.GetSecondOfDay(), c.hour * 3600 + c.minute * 60 + c.second);
            EXPECT_EQ(value.GetDayNumber(), before.GetDayNumber());
        } else {
            EXPECT_EQ(value, before);
            ExpectFields(value, {2010, 6, 15, 13, 14, 15});
        }
    }
}

TEST(DateTimeValueTest, SetTimeFromAnotherValueTakesOnlyItsTime) {
    CDateTime value(2024, 5, 17, 1, 2, 3);
    EXPECT_TRUE(value.SetTime(CDateTime(1999, 12, 31, 23, 58, 57)));
    ExpectFields(value, {2024, 5, 17, 23, 58, 57});
    EXPECT_EQ(value.GetSecondOfDay(), 23 * 3600 + 58 * 60 + 57);
}

TEST(DateTimeValueTest, SetDateTimeTakesValidDateEvenWhenTimeIsInvalid) {
    CDateTime value(2010, 6, 15, 13, 14, 15);
    EXPECT_FALSE(value.SetDateTime(2024, 5, 17, 24, 0, 0));
    ExpectFields(value, {2024, 5, 17, 13, 14, 15});

    // An invalid date leaves the time alone even when the time is valid.
    EXPECT_FALSE(value.SetDateTime(2023, 2, 29, 1, 1, 1));
    ExpectFields(value, {2024, 5, 17, 13, 14, 15});

    EXPECT_TRUE(value.SetDateTime(2024, 2, 29, 23, 59, 59));
    ExpectFields(value, {2024, 2, 29, 23, 59, 59});
}

TEST(DateTimeValueTest, NowReadsThePlatformClock) {
    CFakePlatform platform;
    platform.Install();
    platform.SetLocalTime({2024, 2, 29, 23, 59, 58});
    const CDateTime now = CDateTime::Now();
    ExpectFields(now, {2024, 2, 29, 23, 59, 58});
    EXPECT_EQ(now.GetDayNumber(), CDateTime::DayNumber(2024, 2, 29));

    platform.SetLocalTime({2016, 12, 31, 23, 59, 60});
    ExpectFields(CDateTime::Now(), {2016, 12, 31, 23, 59, 59});
}

TEST(DateTimeValueTest, TimeOfDayAndDateOnly) {
    const CDateTime value(2024, 5, 17, 8, 30, 15);
    const CDateTime time = value.GetTimeOfDay();
    ExpectFields(time, {1, 1, 1, 8, 30, 15});
    EXPECT_EQ(time.GetDayNumber(), 1);
    EXPECT_EQ(time.GetSecondOfDay(), value.GetSecondOfDay());

    const CDateTime date = value.GetDateOnly();
    ExpectFields(date, {2024, 5, 17, 0, 0, 0});
    EXPECT_EQ(date.GetDayNumber(), value.GetDayNumber());
    EXPECT_EQ(date.GetSecondOfDay(), 0);
}

TEST(DateTimeValueTest, ComparisonOrdersByDayThenSecond) {
    // Each value is later than the one before it.
    const CDateTime ordered[] = {
        CDateTime::FromStored(kInt32Min, 0),
        CDateTime::FromStored(-1, 86399),
        CDateTime(1, 1, 1),
        CDateTime(2024, 5, 17, 0, 0, 0),
        CDateTime(2024, 5, 17, 0, 0, 1),
        CDateTime(2024, 5, 17, 23, 59, 59),
        CDateTime(2024, 5, 18, 0, 0, 0),
        CDateTime::FromStored(kInt32Max, 0),
    };
    const int count = static_cast<int>(std::size(ordered));
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j) {
            const CDateTime& a = ordered[i];
            const CDateTime& b = ordered[j];
            EXPECT_EQ(a == b, i == j) << i << ' ' << j;
            EXPECT_EQ(a != b, i != j) << i << ' ' << j;
            EXPECT_EQ(a < b, i < j) << i << ' ' << j;
            EXPECT_EQ(a <= b, i <= j) << i << ' ' << j;
            EXPECT_EQ(a > b, i > j) << i << ' ' << j;
            EXPECT_EQ(a >= b, i >= j) << i << ' ' << j;
        }
    }
    // Equality ignores the derived fields: year 0 and year 1 share day numbers.
    CDateTime yearZero;
    ASSERT_TRUE(yearZero.SetDate(0, 1, 1));
    EXPECT_EQ(yearZero, CDateTime());
}

// ---------------------------------------------------------------------------------------
// Arithmetic.

TEST(DateTimeArithmeticTest, AddingAndSubtractingSpans) {
    const struct {
        Ymdhms start;
        std::int64_t seconds;
        Ymdhms expected;
    } cases[] = {
        {{2024, 5, 17, 23, 59, 59}, 1, {2024, 5, 18, 0, 0, 0}},
        {{2024, 3, 1, 0, 0, 0}, -1, {2024, 2, 29, 23, 59, 59}},
        {{2023, 3, 1, 0, 0, 0}, -1, {2023, 2, 28, 23, 59, 59}},
        {{2024, 1, 1, 0, 0, 10}, -86430, {2023, 12, 30, 23, 59, 40}},
        {{2023, 12, 31, 23, 59, 59}, 1, {2024, 1, 1, 0, 0, 0}},
        {{2024, 1, 1, 0, 0, 0}, -1, {2023, 12, 31, 23, 59, 59}},
        {{2024, 1, 31, 12, 0, 0}, 86400, {2024, 2, 1, 12, 0, 0}},
        {{2024, 2, 28, 12, 0, 0}, 86400, {2024, 2, 29, 12, 0, 0}},
        {{2023, 2, 28, 12, 0, 0}, 86400, {2023, 3, 1, 12, 0, 0}},
        {{2024, 5, 17, 8, 0, 0}, 0, {2024, 5, 17, 8, 0, 0}},
        // A rest that carries past midnight in both directions.
        {{2024, 5, 17, 23, 0, 0}, 86400 + 3600, {2024, 5, 19, 0, 0, 0}},
        {{2024, 5, 17, 1, 0, 0}, -(86400 + 7200), {2024, 5, 15, 23, 0, 0}},
        {{2024, 5, 17, 0, 0, 0}, -86399, {2024, 5, 16, 0, 0, 1}},
        {{2024, 5, 17, 0, 0, 0}, 366LL * 86400, {2025, 5, 18, 0, 0, 0}},
        {{2000, 2, 29, 6, 0, 0}, -365LL * 86400, {1999, 3, 1, 6, 0, 0}},
        {{1, 1, 1, 0, 0, 0}, 3652058LL * 86400 + 86399, {9999, 12, 31, 23, 59, 59}},
        {{9999, 12, 31, 23, 59, 59}, -(3652058LL * 86400 + 86399), {1, 1, 1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const CDateTime start = Make(c.start);
        const CDateTime expected = Make(c.expected);
        const CDateTimeSpan span(c.seconds);
        const CDateTimeSpan negated(-c.seconds);

        ExpectFields(start + span, c.expected);
        ExpectFields(start - negated, c.expected);
        CDateTime inPlace = start;
        inPlace += span;
        EXPECT_EQ(inPlace, expected) << c.seconds;
        inPlace -= span;
        EXPECT_EQ(inPlace, start) << c.seconds;
        ExpectFields(inPlace, c.start);
        EXPECT_EQ((expected - start).GetTotalSeconds(), c.seconds);
        EXPECT_EQ((start - expected).GetTotalSeconds(), -c.seconds);
    }
}

TEST(DateTimeArithmeticTest, DifferenceIsSignedAndSixtyFourBit) {
    const CDateTime a(2024, 1, 2, 0, 0, 0);
    const CDateTime b(2024, 1, 1, 12, 0, 0);
    EXPECT_EQ((a - b).GetTotalSeconds(), 43200);
    EXPECT_EQ((b - a).GetTotalSeconds(), -43200);
    EXPECT_EQ((a - a).GetTotalSeconds(), 0);

    // The extremes differ by far more than 32 bits hold.
    const CDateTime low = CDateTime::FromStored(kInt32Min, 0);
    const CDateTime high = CDateTime::FromStored(kInt32Max, 86399);
    const std::int64_t expected = (std::int64_t{kInt32Max} - kInt32Min) * 86400 + 86399;
    EXPECT_EQ((high - low).GetTotalSeconds(), expected);
    EXPECT_EQ((low - high).GetTotalSeconds(), -expected);
}

TEST(DateTimeArithmeticTest, ResultsBeyondThirtyTwoBitDayNumbersAreClamped) {
    const struct {
        std::int32_t day;
        std::int32_t second;
        std::int64_t add;
        std::int32_t expectedDay;
        std::int32_t expectedSecond;
    } cases[] = {
        {kInt32Max, 0, 86399, kInt32Max, 86399},  // still inside: no clamping
        {kInt32Max, 0, 86400, kInt32Max, 86399},
        {kInt32Max, 86399, 1, kInt32Max, 86399},
        {kInt32Min, 0, -1, kInt32Min, 0},
        {kInt32Min, 5, -86400, kInt32Min, 0},
        {1, 0, kInt64Max, kInt32Max, 86399},
        {1, 0, kInt64Min, kInt32Min, 0},
        {kInt32Max, 86399, kInt64Max, kInt32Max, 86399},
        {kInt32Min, 0, kInt64Min, kInt32Min, 0},
        {kInt32Max, 86399, kInt64Min, kInt32Min, 0},
        {kInt32Min, kInt32Min, kInt64Max, kInt32Max, 86399},
    };
    for (const auto& c : cases) {
        CDateTime value = CDateTime::FromStored(c.day, c.second) + CDateTimeSpan(c.add);
        EXPECT_EQ(value.GetDayNumber(), c.expectedDay) << c.day << " + " << c.add;
        EXPECT_EQ(value.GetSecondOfDay(), c.expectedSecond) << c.day << " + " << c.add;

        // Subtracting the span goes the same way; INT64_MIN has no negation, so it is only
        // compared with the sum where a negation exists.
        if (c.add != kInt64Min) {
            value = CDateTime::FromStored(c.day, c.second) - CDateTimeSpan(-c.add);
            EXPECT_EQ(value.GetDayNumber(), c.expectedDay) << c.day << " - " << -c.add;
            EXPECT_EQ(value.GetSecondOfDay(), c.expectedSecond) << c.day << " - " << -c.add;
        }
    }
    // Subtracting the most negative span moves forward.
    const CDateTime moved = CDateTime(2024, 1, 1) - CDateTimeSpan(kInt64Min);
    EXPECT_EQ(moved.GetDayNumber(), kInt32Max);
    EXPECT_EQ(moved.GetSecondOfDay(), 86399);
}

// ---------------------------------------------------------------------------------------
// Damaged stored pairs: any int32 pair must convert without reading outside the month
// tables or overflowing, and with a consistent calendar.

TEST(DateTimeDamagedTest, DayNumbersBelowOneFollowTheProlepticCalendarBackwards) {
    int failures = 0;
    std::string first;
    // Two full 400-year cycles before day 1, compared with chrono's proleptic calendar.
    for (std::int64_t n = 0; n >= -2 * 146097; --n) {
        const CDateTime value = CDateTime::FromStored(static_cast<std::int32_t>(n), 0);
        const year_month_day ymd{ChronoDay(n)};
        if (value.GetYear() != static_cast<int>(ymd.year()) ||
            value.GetMonth() != static_cast<int>(static_cast<unsigned>(ymd.month())) ||
            value.GetDay() != static_cast<int>(static_cast<unsigned>(ymd.day())) ||
            value.GetDayOfWeek() != static_cast<int>(weekday{ChronoDay(n)}.iso_encoding()) - 1 ||
            value.GetWeekOfYear() != IsoWeek(ChronoDay(n))) {
            if (failures++ == 0) first = std::to_string(n) + ": " + Describe(value);
        }
    }
    EXPECT_EQ(failures, 0) << "first: " << first;

    ExpectFields(CDateTime::FromStored(0, 0), {0, 12, 31, 0, 0, 0});
    ExpectFields(CDateTime::FromStored(-365, 0), {0, 1, 1, 0, 0, 0});
    ExpectFields(CDateTime::FromStored(-366, 0), {-1, 12, 31, 0, 0, 0});
}

TEST(DateTimeDamagedTest, ExtremeDayNumbersGiveConsecutiveValidDates) {
    // Near both ends of int32 each day number must be the calendar day after its
    // predecessor, with fields inside their ranges.
    const std::int64_t starts[] = {kInt32Min, -1000, kInt32Max - 1000};
    for (const std::int64_t start : starts) {
        CDateTime previous = CDateTime::FromStored(static_cast<std::int32_t>(start), 0);
        for (std::int64_t n = start + 1; n <= start + 1000; ++n) {
            const CDateTime value = CDateTime::FromStored(static_cast<std::int32_t>(n), 0);
            ASSERT_GE(value.GetMonth(), 1) << n;
            ASSERT_LE(value.GetMonth(), 12) << n;
            ASSERT_GE(value.GetDay(), 1) << n;
            ASSERT_LE(value.GetDay(), MonthLength(value.GetYear(), value.GetMonth())) << n;
            const bool sameMonth = value.GetYear() == previous.GetYear() &&
                                   value.GetMonth() == previous.GetMonth() &&
                                   value.GetDay() == previous.GetDay() + 1;
            const bool nextMonth =
                value.GetDay() == 1 &&
                ((value.GetYear() == previous.GetYear() &&
                  value.GetMonth() == previous.GetMonth() + 1) ||
                 (value.GetYear() == previous.GetYear() + 1 && value.GetMonth() == 1 &&
                  previous.GetMonth() == 12)) &&
                previous.GetDay() == MonthLength(previous.GetYear(), previous.GetMonth());
            ASSERT_TRUE(sameMonth || nextMonth) << Describe(previous) << " -> " << Describe(value);
            ASSERT_EQ(value.GetDayOfWeek(), (previous.GetDayOfWeek() + 1) % 7) << n;
            previous = value;
        }
    }
    // The top of the range is exactly the last date SetDate accepts.
    const CDateTime top = CDateTime::FromStored(kInt32Max, 0);
    ExpectFields(top, {kLastYear, 7, 11, 0, 0, 0});
    EXPECT_EQ(CDateTime::DayNumber(top.GetYear(), top.GetMonth(), top.GetDay()), kInt32Max);
}

TEST(DateTimeDamagedTest, SecondsOfDayOutsideTheDayDeriveByTruncation) {
    const struct {
        std::int32_t second;
        int hour;
        int minute;
        int sec;
    } cases[] = {
        {86400, 24, 0, 0},
        {-1, 0, 0, -1},
        {-3661, -1, -1, -1},
        {kInt32Max, 596523, 14, 7},
        {kInt32Min, -596523, -14, -8},
    };
    for (const auto& c : cases) {
        const CDateTime value = CDateTime::FromStored(719163, c.second);
        EXPECT_EQ(value.GetSecondOfDay(), c.second);
        EXPECT_EQ(value.GetHour(), c.hour) << c.second;
        EXPECT_EQ(value.GetMinute(), c.minute) << c.second;
        EXPECT_EQ(value.GetSecond(), c.sec) << c.second;
        ExpectFields(value.GetDateOnly(), {1970, 1, 1, 0, 0, 0});
    }
}

TEST(DateTimeDamagedTest, MovingADamagedValueNormalisesTheSecondOfDay) {
    const struct {
        std::int32_t day;
        std::int32_t second;
        std::int32_t expectedDay;
        std::int32_t expectedSecond;
    } cases[] = {
        {10, 86400, 11, 0},
        {10, -1, 9, 86399},
        {10, kInt32Max, 10 + 24855, 11647},
        {10, kInt32Min, 10 - 24856, 74752},
        {kInt32Max, kInt32Max, kInt32Max, 86399},
        {kInt32Min, kInt32Min, kInt32Min, 0},
    };
    for (const auto& c : cases) {
        const CDateTime damaged = CDateTime::FromStored(c.day, c.second);
        for (const CDateTime& moved : {damaged + CDateTimeSpan(0), damaged - CDateTimeSpan(0)}) {
            EXPECT_EQ(moved.GetDayNumber(), c.expectedDay) << c.day << ' ' << c.second;
            EXPECT_EQ(moved.GetSecondOfDay(), c.expectedSecond) << c.day << ' ' << c.second;
            EXPECT_EQ(moved.GetHour() * 3600 + moved.GetMinute() * 60 + moved.GetSecond(),
                      c.expectedSecond);
        }
    }
}

TEST(DateTimeDamagedTest, EveryOperationOnExtremePairsIsDefined) {
    // Run under the sanitizers, this catches out-of-table reads and signed overflow in the
    // accessors, the formatter and the arithmetic for the corners of the int32 square.
    CFakePlatform platform;
    platform.Install();
    const std::int32_t values[] = {kInt32Min, kInt32Min + 1, -146097,       -1,       0, 1, 86399,
                                   86400,     3652059,       kInt32Max - 1, kInt32Max};
    for (const std::int32_t day : values) {
        for (const std::int32_t second : values) {
            const CDateTime value = CDateTime::FromStored(day, second);
            EXPECT_EQ(value.GetDayNumber(), day);
            EXPECT_EQ(value.GetSecondOfDay(), second);
            EXPECT_GE(value.GetDayOfWeek(), 0);
            EXPECT_LE(value.GetDayOfWeek(), 6);
            EXPECT_GE(value.GetWeekOfYear(), 1);
            EXPECT_LE(value.GetWeekOfYear(), 53);
            EXPECT_GE(value.GetDayOfYear(), 1);
            EXPECT_LE(value.GetDayOfYear(), 366);
            EXPECT_FALSE(value.Format("%a %A %b %B %d %H %I %j %m %M %p %S %w %W %y %Y").empty());
            const CDateTime later = value + CDateTimeSpan(kInt64Max);
            const CDateTime earlier = value - CDateTimeSpan(kInt64Max);
            EXPECT_LE(earlier, later);
            EXPECT_EQ((value - value).GetTotalSeconds(), 0);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Storage and run-time class.

std::vector<std::uint8_t> StoreBytes(const CDateTime& value) {
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    ar << value;
    ar.Close();
    return file.GetData();
}

CDateTime LoadBytes(std::vector<std::uint8_t> bytes) {
    CMemoryFile file(std::move(bytes));
    CArchive ar(file, CArchive::load);
    CDateTime value(2010, 6, 15, 13, 14, 15);
    ar >> value;
    return value;
}

std::vector<std::uint8_t> LittleEndianPair(std::uint32_t day, std::uint32_t second) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t word : {day, second}) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
        }
    }
    return bytes;
}

TEST(DateTimeStorageTest, StoresDayNumberThenSecondOfDayLittleEndian) {
    EXPECT_EQ(StoreBytes(CDateTime(1970, 1, 1, 1, 1, 1)),
              (std::vector<std::uint8_t>{0x3B, 0xF9, 0x0A, 0x00, 0x4D, 0x0E, 0x00, 0x00}));
    EXPECT_EQ(StoreBytes(CDateTime()), LittleEndianPair(1, 0));
    EXPECT_EQ(StoreBytes(CDateTime::FromStored(kInt32Min, -1)),
              (std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(DateTimeStorageTest, LoadsStoredPairsUnvalidated) {
    const CDateTime loaded = LoadBytes(LittleEndianPair(719163, 3661));
    ExpectFields(loaded, {1970, 1, 1, 1, 1, 1});

    const struct {
        std::int32_t day;
        std::int32_t second;
    } pairs[] = {{1, 0},
                 {3652059, 86399},
                 {0, 0},
                 {-1, -1},
                 {kInt32Min, 0},
                 {kInt32Max, 0},
                 {5, 86400},
                 {5, kInt32Max},
                 {kInt32Min, kInt32Min},
                 {kInt32Max, kInt32Max}};
    for (const auto& p : pairs) {
        const CDateTime value = LoadBytes(LittleEndianPair(static_cast<std::uint32_t>(p.day),
                                                           static_cast<std::uint32_t>(p.second)));
        EXPECT_EQ(value.GetDayNumber(), p.day);
        EXPECT_EQ(value.GetSecondOfDay(), p.second);
        // Loading recomputes every field exactly as FromStored does.
        const CDateTime expected = CDateTime::FromStored(p.day, p.second);
        ExpectFields(value, {expected.GetYear(), expected.GetMonth(), expected.GetDay(),
                             expected.GetHour(), expected.GetMinute(), expected.GetSecond()});
        // And storing gives the same eight bytes back.
        EXPECT_EQ(StoreBytes(value), LittleEndianPair(static_cast<std::uint32_t>(p.day),
                                                      static_cast<std::uint32_t>(p.second)));
    }
}

TEST(DateTimeStorageTest, YearZeroComesBackAsYearOne) {
    CDateTime value;
    ASSERT_TRUE(value.SetDateTime(0, 2, 29, 12, 0, 0));
    ExpectFields(LoadBytes(StoreBytes(value)), {1, 3, 1, 12, 0, 0});
}

// A date set in year 0 keeps its fields while its day number is the one SetDate gave it, and
// reads as the day of the proleptic calendar as soon as anything recomputes the day number.
TEST(DateTimeStorageTest, YearZeroDateLastsUntilTheDayNumberIsRecomputed) {
    CDateTime zero;
    // Day number 366: also 1 January of year 2.
    ASSERT_TRUE(zero.SetDateTime(0, 12, 31, 6, 0, 0));
    CDateTime timeSet = zero;
    ASSERT_TRUE(timeSet.SetTime(7, 8, 9));
    CDateTime badDate = zero;
    ASSERT_FALSE(badDate.SetDate(0, 2, 30));
    CDateTime yearOne = zero;
    ASSERT_TRUE(yearOne.SetDate(1, 1, 1));
    CDateTime zeroAgain = yearOne;
    ASSERT_TRUE(zeroAgain.SetDate(0, 1, 1));
    CDateTime assigned;
    assigned = zero;

    const struct {
        const char* name;
        CDateTime value;
        Ymdhms expected;
    } cases[] = {
        {"set", zero, {0, 12, 31, 6, 0, 0}},
        {"copied", CDateTime(zero), {0, 12, 31, 6, 0, 0}},
        {"assigned", assigned, {0, 12, 31, 6, 0, 0}},
        {"time set", timeSet, {0, 12, 31, 7, 8, 9}},
        {"invalid date refused", badDate, {0, 12, 31, 6, 0, 0}},
        {"date only", zero.GetDateOnly(), {0, 12, 31, 0, 0, 0}},
        {"time of day", zero.GetTimeOfDay(), {1, 1, 1, 6, 0, 0}},
        {"date set in year 1", yearOne, {1, 1, 1, 6, 0, 0}},
        {"year 0 set again", zeroAgain, {0, 1, 1, 6, 0, 0}},
        {"moved by nothing", zero + CDateTimeSpan(0), {2, 1, 1, 6, 0, 0}},
        {"moved back a day", zero - CDateTimeSpan(1, 0, 0, 0), {1, 12, 31, 6, 0, 0}},
        {"moved in place", CDateTime(zero) += CDateTimeSpan(0, 0, 0, 1), {2, 1, 1, 6, 0, 1}},
        {"stored and loaded", LoadBytes(StoreBytes(zero)), {2, 1, 1, 6, 0, 0}},
        {"from its stored pair", CDateTime::FromStored(366, 6 * 3600), {2, 1, 1, 6, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFields(c.value, c.expected);
        const CDateTime& v = c.value;
        EXPECT_EQ(v.GetDayOfYear(), CDateTime::DayOfYear(v.GetYear(), v.GetMonth(), v.GetDay()));
        EXPECT_EQ(v.GetDaysInMonth(), CDateTime::DaysInMonth(v.GetYear(), v.GetMonth()));
    }
    EXPECT_EQ(zero.FormatStorage(), "0000 12 31 06 00 00");
    EXPECT_EQ(zero.GetWeekOfYear(), CDateTime::WeekOfYear(0, 12, 31));
}

TEST(DateTimeStorageTest, TruncatedPairThrowsEndOfFile) {
    for (std::size_t length = 0; length < 8; ++length) {
        std::vector<std::uint8_t> bytes = LittleEndianPair(719163, 3661);
        bytes.resize(length);
        try {
            LoadBytes(bytes);
            ADD_FAILURE() << "no exception for " << length << " bytes";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::endOfFile) << length;
        }
    }
}

TEST(DateTimeStorageTest, ConsecutiveValuesReadBackInOrder) {
    const CDateTime values[] = {CDateTime(2024, 5, 17, 8, 30, 0), CDateTime(),
                                CDateTime(9999, 12, 31, 23, 59, 59)};
    CMemoryFile file;
    {
        CArchive ar(file, CArchive::store);
        for (const CDateTime& value : values) ar << value;
        ar.Close();
    }
    ASSERT_EQ(file.GetData().size(), 24u);
    file.SetPosition(0);
    CArchive ar(file, CArchive::load);
    for (const CDateTime& expected : values) {
        CDateTime loaded;
        ar >> loaded;
        EXPECT_EQ(loaded, expected);
        EXPECT_EQ(loaded.Format("%Y-%m-%d %H:%M:%S"), expected.Format("%Y-%m-%d %H:%M:%S"));
    }
}

TEST(DateTimeStorageTest, RuntimeClassIsRegisteredAndCreatable) {
    const CRuntimeClass* cls = CRuntimeClass::FromName("CDateTime");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls, CDateTime::GetThisClass());
    EXPECT_STREQ(cls->m_lpszClassName, "CDateTime");
    EXPECT_EQ(cls->m_nSchema, 1u);
    EXPECT_TRUE(cls->IsDerivedFrom(CObject::GetThisClass()));

    const std::unique_ptr<CObject> object = cls->CreateObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetRuntimeClass(), cls);
    const auto* created = dynamic_cast<const CDateTime*>(object.get());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(*created, CDateTime());

    const CDateTime value;
    EXPECT_TRUE(value.IsKindOf(CDateTime::GetThisClass()));
    EXPECT_TRUE(value.IsKindOf(CObject::GetThisClass()));
}

TEST(DateTimeStorageTest, ObjectRoundTripThroughTheArchive) {
    CMemoryFile file;
    const CDateTime value(2024, 5, 17, 8, 30, 0);
    {
        CArchive ar(file, CArchive::store);
        ar.WriteObject(value);
        ar.Close();
    }
    file.SetPosition(0);
    CArchive ar(file, CArchive::load);
    const std::unique_ptr<CObject> object = ar.ReadObject(CDateTime::GetThisClass());
    const auto* loaded = dynamic_cast<const CDateTime*>(object.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(*loaded, value);
    ExpectFields(*loaded, {2024, 5, 17, 8, 30, 0});
}

}  // namespace
