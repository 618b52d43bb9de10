// Checked date arithmetic for the recurrence and reminder rules: moving a date-time by a
// number of seconds only when the result stays within the day numbers that the 32-bit
// stored form can carry, and comparing date-times as 64-bit second counts.
#pragma once

#include <cstdint>
#include <limits>

#include "datetime/DateTime.h"

class CDateTimeRange {
public:
    static constexpr std::int64_t kSecondsPerDay = 86400;
    // The range every computed occurrence, end and horizon stays in. The last day keeps one
    // day of headroom below INT32_MAX so that no intermediate day count overflows.
    static constexpr std::int32_t kFirstDay = 1;
    static constexpr std::int32_t kLastDay = std::numeric_limits<std::int32_t>::max() - 1;

    // day number * 86400 + second of day; exact for every stored pair.
    static std::int64_t ToSeconds(const CDateTime& value) {
        return static_cast<std::int64_t>(value.GetDayNumber()) * kSecondsPerDay +
               value.GetSecondOfDay();
    }
    // True when `value` has a day number in kFirstDay..kLastDay and a second of day in
    // 0..86399.
    static bool Contains(const CDateTime& value);
    // `seconds` as a date-time when it lies within the range; false (and `result`
    // unchanged) otherwise.
    static bool FromSeconds(std::int64_t seconds, CDateTime& result);
    // value + seconds when that lies within the range; false (and `result` unchanged)
    // otherwise. `result` may be `value`.
    static bool TryAdd(const CDateTime& value, std::int64_t seconds, CDateTime& result);
    // value + seconds, limited to First() .. Last().
    static CDateTime AddClamped(const CDateTime& value, std::int64_t seconds);
    // The first and the last instant of the range.
    static CDateTime First();
    static CDateTime Last();
};
