// What the calendar shows over a span of days: every occurrence of every date entry of an
// event file that starts within a window, found by the entries' own occurrence queries.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "datetime/DateTime.h"

class CDateEntry;
class CEventData;

class CAgenda {
public:
    struct SItem {
        std::string Guid;
        std::string Description;  // ANSI, as stored
        CDateTime Start;
        CDateTime End;  // a whole-day occurrence ends at 23:59:59 of its last day
        bool WholeDay = false;
    };

    // Appends to `starts` (and `ends`), in order, every occurrence of `entry` that starts
    // within [from, to], both inclusive, as FindFirstOccurrence and FindNextOccurrence over
    // that window find them on a copy (the entry itself is not touched). A window query ends
    // at a candidate that fails the fifth-weekday check (RepeatWeekdayCount 4) although
    // later months have such occurrences; the walk then queries again from the 29th of the
    // following month, as a calendar that shows one month at a time does.
    static void Collect(const CDateEntry& entry, const CDateTime& from, const CDateTime& to,
                        std::vector<CDateTime>& starts, std::vector<CDateTime>& ends);

    // Calls `visit` with every occurrence of both date-entry lists that starts within
    // [from, to], in order of start, then of GUID (byte order), then of the lists (the first
    // list first, each in its order). The occurrences are merged as they are found, one
    // pending per entry (COccurrenceCursor), so nothing but those waits in memory. The
    // entries are used for their queries and left as they were.
    static void Stream(CEventData& data, const CDateTime& from, const CDateTime& to,
                       const std::function<void(const SItem&)>& visit);
    // The same, collected.
    static std::vector<SItem> List(CEventData& data, const CDateTime& from, const CDateTime& to);

    // One line per item: "YYYY-MM-DD HH:MM–HH:MM  Description", or for a whole-day item
    // "YYYY-MM-DD  all day  Description"; the description converted to UTF-8.
    static void WriteText(const std::vector<SItem>& items, std::ostream& out);
    // The listing of Stream written as it is found.
    static void WriteText(CEventData& data, const CDateTime& from, const CDateTime& to,
                          std::ostream& out);
};
