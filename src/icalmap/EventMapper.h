// An iCalendar event (CIcalEvent) as date entries of the calendar: its fields onto the
// properties, its occurrences converted to the machine's local wall-clock time and made
// exact by CExactEntries up to the horizon.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "datetime/DateTime.h"
#include "icalmap/IcalEvent.h"
#include "store/DateEntryArray.h"

class CPlatform;
class CTimeZone;

class CEventMapper {
public:
    struct SResult {
        int Entries = 0;  // appended
        // What check-feed reports about the event: a missing UID, an entry count above one,
        // dropped occurrences, alarms left out, a truncation.
        std::vector<std::string> Findings;
    };

    // The most occurrence starts one event brings: more than four years of a series every
    // ten minutes, far more than the entries one event may become.
    static constexpr std::size_t kMostStarts = 250000;

    // The horizon of exactness for a sync at `now`: 1 January of the fourth year after.
    static CDateTime Horizon(const CDateTime& now);

    // The year whose 1 January ends the exactness of a series first starting at `firstStart`
    // (wall-clock seconds in its zone) when the sync's horizon is 1 January of
    // `syncHorizonYear`: that year, unless the series begins within two days of it or later
    // (the two days cover any difference between its zone and the local one); then as many
    // years from its own start, so that an event published years ahead is imported too.
    // At most kLastHorizonYear, the calendar's last year.
    static int HorizonYear(int syncHorizonYear, IcalSeconds firstStart);
    static constexpr int kLastHorizonYear = 9999;

    // Entries for `event` (none for a cancelled one), made in place at the end of `entries`
    // with their texts in its store. `local`: the machine's zone; texts go
    // to the ANSI code page through `platform`. Every entry has StorageType 1 and leaves to
    // the stored entry what the event does not carry (KeepStored): the reminder without any
    // VALARM, the colours without COLOR (or with a name CSS3 lacks), the category without
    // CATEGORIES.
    static SResult Map(const CIcalEvent& event, const CTimeZone& local, const CDateTime& now,
                       CPlatform& platform, CDateEntryArray& entries);
};
