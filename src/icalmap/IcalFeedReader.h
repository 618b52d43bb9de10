// An iCalendar text as the entries of one sync: its events (VEVENT) expanded by RFC 5545
// (RRULE, RDATE, EXDATE, changed and cancelled instances), in the zones they name (a
// VTIMEZONE of the file, the system's zone of that name, UTC, or floating: the calendar's
// X-WR-TIMEZONE where it gives one, else the machine's local time), each made into exact date
// entries by CEventMapper. To-dos, journals and free/busy components are skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "archive/Array.h"
#include "datetime/DateTime.h"
#include "store/DateEntryArray.h"

class CPlatform;
class CTimeZone;

struct CIcalFeedFinding {
    int line = 0;  // the line of the component or property concerned; 0: the whole file
    std::string text;
};

class CIcalFeedReader {
public:
    // Reads `text` as of `now` (the machine's wall-clock time) into `entries` (appended).
    // False when the text is no complete calendar (it ends inside a component, BEGIN and END
    // do not pair): then nothing is appended, so a half-written file never looks like a
    // calendar whose events were deleted. `local`: the machine's zone. What is skipped or not
    // imported exactly goes to `findings`, with its line.
    static bool Read(std::string_view text, const CDateTime& now, const CTimeZone& local,
                     CPlatform& platform, CDateEntryArray& entries,
                     std::vector<CIcalFeedFinding>& findings);
};
