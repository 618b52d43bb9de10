#include "ical/TimeZone.h"

IcalSeconds CTimeZone::UtcFromLocal(IcalSeconds local) const {
    // Offsets in use are within a day of UTC; the offsets in force a day before and a day after
    // bracket any transition near the time.
    const int before = OffsetAtUtc(local - CCivilTime::kSecondsPerDay);
    const int after = OffsetAtUtc(local + CCivilTime::kSecondsPerDay);
    const IcalSeconds first = local - before;
    if (OffsetAtUtc(first) == before) {
        return first;  // valid with the earlier offset: the first of two, or the only one
    }
    const IcalSeconds second = local - after;
    if (OffsetAtUtc(second) == after) {
        return second;
    }
    return first;  // in a gap: the offset before the gap
}
