#include "datetime/DateTimeRange.h"

namespace {

// No caller moves by more than a few times the whole range; anything beyond this is refused
// before it can overflow a 64-bit sum.
constexpr std::int64_t kLargestMove = std::int64_t{1} << 52;

constexpr std::int64_t FirstSecond() {
    return static_cast<std::int64_t>(CDateTimeRange::kFirstDay) * CDateTimeRange::kSecondsPerDay;
}

constexpr std::int64_t LastSecond() {
    return static_cast<std::int64_t>(CDateTimeRange::kLastDay) * CDateTimeRange::kSecondsPerDay +
           CDateTimeRange::kSecondsPerDay - 1;
}

CDateTime FromSecondsUnchecked(std::int64_t seconds) {
    return CDateTime::FromStored(
        static_cast<std::int32_t>(seconds / CDateTimeRange::kSecondsPerDay),
        static_cast<std::int32_t>(seconds % CDateTimeRange::kSecondsPerDay));
}

}  // namespace

bool CDateTimeRange::Contains(const CDateTime& value) {
    return value.GetDayNumber() >= kFirstDay && value.GetDayNumber() <= kLastDay &&
           value.GetSecondOfDay() >= 0 && value.GetSecondOfDay() < kSecondsPerDay;
}

bool CDateTimeRange::FromSeconds(std::int64_t seconds, CDateTime& result) {
    if (seconds < FirstSecond() || seconds > LastSecond()) return false;
    result = FromSecondsUnchecked(seconds);
    return true;
}

bool CDateTimeRange::TryAdd(const CDateTime& value, std::int64_t seconds, CDateTime& result) {
    if (seconds > kLargestMove || seconds < -kLargestMove) return false;
    return FromSeconds(ToSeconds(value) + seconds, result);
}

CDateTime CDateTimeRange::AddClamped(const CDateTime& value, std::int64_t seconds) {
    if (seconds > kLargestMove) seconds = kLargestMove;
    if (seconds < -kLargestMove) seconds = -kLargestMove;
    std::int64_t target = ToSeconds(value) + seconds;
    if (target < FirstSecond()) target = FirstSecond();
    if (target > LastSecond()) target = LastSecond();
    return FromSecondsUnchecked(target);
}

CDateTime CDateTimeRange::First() {
    return FromSecondsUnchecked(FirstSecond());
}

CDateTime CDateTimeRange::Last() {
    return FromSecondsUnchecked(LastSecond());
}
