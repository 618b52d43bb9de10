// The occurrence starts of one RRULE from its DTSTART, in increasing order, as wall-clock
// seconds of the event's own zone (RFC 5545 section 3.3.10, expanded period by period: the
// BY parts expand or limit the period's dates and times as the RFC's table says, BYSETPOS
// picks from the period's set, invalid dates such as 30 February are skipped, not clamped).
//
// What the common expanders do where the RFC leaves room, followed here:
// - DTSTART itself is not produced unless the rule yields it; the recurrence set adds it.
// - A BYDAY with ordinals and one without, in one MONTHLY or YEARLY rule, both have to hold.
// - Ordinals of BYDAY count within the month for MONTHLY and for YEARLY with BYMONTH, within
//   the year otherwise; other frequencies ignore them.
// - Without BYxxx parts that name days, YEARLY repeats DTSTART's month and day, MONTHLY its
//   day of the month, WEEKLY its weekday; hours, minutes and seconds come from DTSTART unless
//   given (for frequencies coarser than them).
//
// - UNTIL as a DATE is that day at 00:00:00. For an event in a zone (UTC included) UNTIL is
//   an instant: a UTC time as written, a DATE or a local time read as UTC; for a floating
//   event it is compared as wall-clock time.
//
// Bounds: the Gregorian calendar repeats itself every 400 years (146,097 days, 20,871 weeks,
// 4,800 months), so a rule whose periods yield nothing for that long never yields again: the
// iterator stops after that many empty periods in a row (400 yearly, 4,800 monthly, 20,871
// weekly, 146,097 daily periods; a rule like BYMONTH=2;BYMONTHDAY=30 ends that way), after
// kMostEmptyPeriods empty periods of a rule by hours, minutes or seconds (days and hours the
// rule refuses are passed over whole), and at the year 9999. Callers bound the rest by a
// window end and a count of their own.
#pragma once

#include <cstdint>
#include <vector>

#include "ical/CivilTime.h"
#include "ical/RecurrenceRule.h"

class CTimeZone;

class CRecurrenceIterator {
public:
    static constexpr int kMostEmptyPeriods = 100000;

    // `zone`: the event's zone, for an UNTIL in UTC; nullptr: floating (UNTIL compared as
    // wall-clock time). Not owned; must outlive the iterator.
    CRecurrenceIterator(const CRecurrenceRule& rule, const CCivilFields& dtstart,
                        const CTimeZone* zone);

    // The next occurrence start (wall-clock seconds in the event's zone). False when the rule
    // has no more (COUNT, UNTIL, a bound).
    bool Next(IcalSeconds& start);

    // Skips, without producing them, the periods that end before `localSeconds`. Only for a
    // rule without COUNT (a count needs every occurrence from DTSTART); otherwise nothing.
    void SeekTo(IcalSeconds localSeconds);

private:
    bool FillPeriod();
    void DaysOfPeriod(std::vector<std::int64_t>& days) const;
    bool DayPasses(std::int64_t day) const;
    // The same for a day whose civil date the caller already has.
    bool DayPasses(std::int64_t day, int year, int month, int dom) const;
    bool PassesUntil(IcalSeconds start) const;

    CRecurrenceRule m_Rule;
    CCivilFields m_Start;
    IcalSeconds m_StartSeconds;
    const CTimeZone* m_Zone;
    std::int64_t m_Period = 0;
    std::vector<IcalSeconds> m_Buffer;
    std::vector<std::int64_t> m_Days;  // the days of the period being filled
    size_t m_Next = 0;
    long long m_Emitted = 0;
    bool m_Done = false;
    std::vector<int> m_Hours, m_Minutes, m_Seconds;
    std::vector<int> m_PlainWeekdays;        // BYDAY without ordinal (or ordinals ignored)
    std::vector<CWeekdayNum> m_NthWeekdays;  // BYDAY with ordinal, MONTHLY/YEARLY only
};
