#include "ical/CivilTime.h"

namespace {

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 0000-03-01, the era arithmetic of H. Hinnant's days_from_civil.
constexpr std::int64_t DaysFromMarchZero(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

// A compile-time constant: other files' constants are computed from this one at start-up.
constexpr std::int64_t kEpoch = DaysFromMarchZero(1, 1, 1);

}  // namespace

std::int64_t CCivilTime::DaysFromCivil(int year, int month, int day) {
    return DaysFromMarchZero(year, month, day) - kEpoch;
}

void CCivilTime::CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    const std::int64_t z = days + kEpoch;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

IcalSeconds CCivilTime::ToSeconds(const CCivilFields& f) {
    return DaysFromCivil(f.year, f.month, f.day) * kSecondsPerDay + f.hour * 3600 + f.minute * 60 +
           f.second;
}

CCivilFields CCivilTime::FromSeconds(IcalSeconds seconds) {
    CCivilFields f;
    const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const std::int64_t rest = seconds - days * kSecondsPerDay;
    CivilFromDays(days, f.year, f.month, f.day);
    f.hour = static_cast<int>(rest / 3600);
    f.minute = static_cast<int>(rest % 3600 / 60);
    f.second = static_cast<int>(rest % 60);
    return f;
}

bool CCivilTime::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int CCivilTime::DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return kDays[month - 1] + (month == 2 && IsLeapYear(year));
}

int CCivilTime::DayOfWeek(std::int64_t days) {
    // Day 0, 0001-01-01, was a Monday.
    return static_cast<int>(days - FloorDiv(days, 7) * 7);
}

bool CCivilTime::IsValid(const CCivilFields& f) {
    return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= DaysInMonth(f.year, f.month) &&
           f.hour >= 0 && f.hour <= 23 && f.minute >= 0 && f.minute <= 59 && f.second >= 0 &&
           f.second <= 60;
}
