#include "datetime/DateTime.h"

#include <limits>

#include "archive/Archive.h"
#include "platform/Platform.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kDaysPer400Years = 146097;

// Indexed 1..12; February in a common year.
constexpr int kDaysInMonth[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Indexed 1..13, common year.
constexpr int kDaysBeforeMonth[14] = {0,   0,   31,  59,  90,  120, 151,
                                      181, 212, 243, 273, 304, 334, 365};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
    return a - FloorDiv(a, b) * b;
}

bool IsLeap(std::int64_t year) {
    return year % 4 == 0 && (year % 400 == 0 || year % 100 != 0);
}

// Day number of a validated date, in 64 bits so that large years can be refused.
std::int64_t DayNumber64(int year, int month, int day) {
    std::int64_t result = static_cast<std::int64_t>(day) + kDaysBeforeMonth[month];
    if (month > 2 && IsLeap(year)) ++result;
    const std::int64_t y = static_cast<std::int64_t>(year) - 1;
    if (y >= 0) result += 365 * y + y / 4 - y / 100 + y / 400;
    return result;
}

bool IsValidDate(int year, int month, int day) {
    return year >= 0 && month >= 1 && month <= 12 && day >= 1 &&
           day <= CDateTime::DaysInMonth(year, month);
}

// ISO 8601 week from the day of the year and its day of the week (0 = Monday). Days before
// the first week belong to the previous year's last week (its 31 December lies `dayOfYear`
// days back; that call cannot recurse again). A week 53 is week 1 of the next year when
// 28 December falls on a Thursday or later.
int IsoWeek(std::int64_t year, std::int64_t dayOfYear, std::int64_t dayOfWeek) {
    const std::int64_t week = (dayOfYear - 1 - dayOfWeek + 10) / 7;
    if (week <= 0) {
        const std::int64_t previousYear = year - 1;
        return IsoWeek(previousYear, IsLeap(previousYear) ? 366 : 365,
                       FloorMod(dayOfWeek - dayOfYear, 7));
    }
    if (week >= 53) {
        const std::int64_t december28 = IsLeap(year) ? 363 : 362;
        return FloorMod(dayOfWeek + december28 - dayOfYear, 7) >= 3 ? 1 : 53;
    }
    return static_cast<int>(week);
}

std::unique_ptr<CObject> CreateDateTime() {
    return std::make_unique<CDateTime>();
}

const CClassRegistration g_dateTimeRegistration(CDateTime::GetThisClass());

}  // namespace

CDateTime::CDateTime(int year, int month, int day) : CDateTime() {
    if (!SetDateTime(year, month, day, 0, 0, 0)) *this = CDateTime();
}

CDateTime::CDateTime(int year, int month, int day, int hour, int minute, int second) : CDateTime() {
    if (!SetDateTime(year, month, day, hour, minute, second)) *this = CDateTime();
}

CDateTime CDateTime::Now() {
    const CivilTime now = CPlatform::Current().GetLocalTime();
    // A leap second (60) would make the whole value invalid.
    const int second = now.second > 59 ? 59 : now.second;
    return CDateTime(now.year, now.month, now.day, now.hour, now.minute, second);
}

bool CDateTime::SetDate(int year, int month, int day) {
    if (!IsValidDate(year, month, day)) return false;
    const std::int64_t dayNumber = DayNumber64(year, month, day);
    if (dayNumber > std::numeric_limits<std::int32_t>::max()) return false;
    m_nDayNumber = static_cast<std::int32_t>(dayNumber);
    m_bYearZero = year == 0;
    return true;
}

bool CDateTime::SetTime(int hour, int minute, int second) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        return false;
    }
    m_nSecondOfDay = hour * 3600 + minute * 60 + second;
    return true;
}

bool CDateTime::SetTime(const CDateTime& time) {
    return SetTime(time.GetHour(), time.GetMinute(), time.GetSecond());
}

bool CDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    return SetDate(year, month, day) && SetTime(hour, minute, second);
}

int CDateTime::GetDayOfYear() const {
    const SDate date = GetCalendarDate();
    return DayOfYear(date.m_nYear, date.m_nMonth, date.m_nDay);
}

int CDateTime::GetDayOfWeek() const {
    return static_cast<int>(FloorMod(static_cast<std::int64_t>(m_nDayNumber) + 6, 7));
}

int CDateTime::GetWeekOfYear() const {
    const SDate date = GetCalendarDate();
    return IsoWeek(date.m_nYear, DayOfYear(date.m_nYear, date.m_nMonth, date.m_nDay),
                   GetDayOfWeek());
}

int CDateTime::GetDaysInMonth() const {
    const SDate date = GetCalendarDate();
    return DaysInMonth(date.m_nYear, date.m_nMonth);
}

CDateTime CDateTime::GetTimeOfDay() const {
    return FromStored(1, m_nSecondOfDay);
}

CDateTime CDateTime::GetDateOnly() const {
    CDateTime result(*this);
    result.m_nSecondOfDay = 0;
    return result;
}

bool CDateTime::operator==(const CDateTime& other) const {
    return m_nDayNumber == other.m_nDayNumber && m_nSecondOfDay == other.m_nSecondOfDay;
}

bool CDateTime::operator!=(const CDateTime& other) const {
    return !(*this == other);
}

bool CDateTime::operator<(const CDateTime& other) const {
    if (m_nDayNumber != other.m_nDayNumber) return m_nDayNumber < other.m_nDayNumber;
    return m_nSecondOfDay < other.m_nSecondOfDay;
}

bool CDateTime::operator<=(const CDateTime& other) const {
    return !(other < *this);
}

bool CDateTime::operator>(const CDateTime& other) const {
    return other < *this;
}

bool CDateTime::operator>=(const CDateTime& other) const {
    return !(*this < other);
}

CDateTime CDateTime::operator+(const CDateTimeSpan& span) const {
    CDateTime result(*this);
    result += span;
    return result;
}

CDateTime CDateTime::operator-(const CDateTimeSpan& span) const {
    CDateTime result(*this);
    result -= span;
    return result;
}

CDateTime& CDateTime::operator+=(const CDateTimeSpan& span) {
    const std::int64_t seconds = span.GetTotalSeconds();
    MoveBy(seconds / kSecondsPerDay, seconds % kSecondsPerDay);
    return *this;
}

CDateTime& CDateTime::operator-=(const CDateTimeSpan& span) {
    const std::int64_t seconds = span.GetTotalSeconds();
    // Negating the quotient and remainder separately cannot overflow, unlike negating the span.
    MoveBy(-(seconds / kSecondsPerDay), -(seconds % kSecondsPerDay));
    return *this;
}

CDateTimeSpan CDateTime::operator-(const CDateTime& other) const {
    const std::int64_t self =
        static_cast<std::int64_t>(m_nDayNumber) * kSecondsPerDay + m_nSecondOfDay;
    const std::int64_t that =
        static_cast<std::int64_t>(other.m_nDayNumber) * kSecondsPerDay + other.m_nSecondOfDay;
    return CDateTimeSpan(self - that);
}

bool CDateTime::IsLeapYear(int year) {
    return IsLeap(year);
}

int CDateTime::DaysInMonth(int year, int month) {
    if (month < 1 || month > 12 || year < 0) return 0;
    return (month == 2 && IsLeapYear(year)) ? 29 : kDaysInMonth[month];
}

int CDateTime::DayOfYear(int year, int month, int day) {
    std::int64_t result = day;
    if (month >= 1 && month <= 12) {
        result += kDaysBeforeMonth[month];
        if (month > 2 && IsLeapYear(year)) ++result;
    }
    return static_cast<int>(result);
}

int CDateTime::DayNumber(int year, int month, int day) {
    if (!IsValidDate(year, month, day)) return 0;
    const std::int64_t dayNumber = DayNumber64(year, month, day);
    return dayNumber > std::numeric_limits<std::int32_t>::max() ? 0 : static_cast<int>(dayNumber);
}

int CDateTime::DayOfWeek(int year, int month, int day) {
    return static_cast<int>((static_cast<std::int64_t>(DayNumber(year, month, day)) + 6) % 7);
}

int CDateTime::WeekOfYear(int year, int month, int day) {
    return IsoWeek(year, DayOfYear(year, month, day), DayOfWeek(year, month, day));
}

void CDateTime::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteInt32(m_nDayNumber);
        ar.WriteInt32(m_nSecondOfDay);
    } else {
        ar >> *this;
    }
}

const CRuntimeClass* CDateTime::GetRuntimeClass() const {
    return GetThisClass();
}

const CRuntimeClass* CDateTime::GetThisClass() {
    // Function-local so that records registered from other translation units' static
    // objects never see it half-built.
    static const CRuntimeClass dateTimeClass = {"CDateTime", 1, false, &CreateDateTime,
                                                CObject::GetThisClass()};
    return &dateTimeClass;
}

void CDateTime::MoveBy(std::int64_t days, std::int64_t seconds) {
    // |days| < 2^47 and |seconds| < 86400, so nothing here can overflow 64 bits.
    std::int64_t dayNumber = static_cast<std::int64_t>(m_nDayNumber) + days;
    std::int64_t secondOfDay = static_cast<std::int64_t>(m_nSecondOfDay) + seconds;
    dayNumber += FloorDiv(secondOfDay, kSecondsPerDay);
    secondOfDay = FloorMod(secondOfDay, kSecondsPerDay);
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    if (dayNumber < kMin) {
        dayNumber = kMin;
        secondOfDay = 0;
    } else if (dayNumber > kMax) {
        dayNumber = kMax;
        secondOfDay = kSecondsPerDay - 1;
    }
    m_nDayNumber = static_cast<std::int32_t>(dayNumber);
    m_nSecondOfDay = static_cast<std::int32_t>(secondOfDay);
    m_bYearZero = false;
}

CDateTime::SDate CDateTime::GetCalendarDate() const {
    if (m_bYearZero) {
        // Year 0 is a leap year; its day number is its day of the year, 1..366.
        int month = 1;
        while (month < 12 && m_nDayNumber > DayOfYear(0, month + 1, 0)) ++month;
        return SDate{0, month, m_nDayNumber - DayOfYear(0, month, 0)};
    }
    // Counted from 1 March of year 0 (306 days before day number 1), so that the leap day
    // ends each year; floor division keeps the day within its 400-year era non-negative
    // for day numbers below 1 too (only a damaged file has them).
    const std::int64_t days = static_cast<std::int64_t>(m_nDayNumber) + 305;
    const std::int64_t era = FloorDiv(days, kDaysPer400Years);
    const auto dayOfEra = static_cast<std::uint32_t>(days - era * kDaysPer400Years);
    const std::uint32_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::uint32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::uint32_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month =
        static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const int year = static_cast<int>(era * 400 + yearOfEra + (month <= 2 ? 1 : 0));
    return SDate{year, month, day};
}
