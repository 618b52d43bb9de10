// The date entries of one iCalendar event, checked rather than hoped to be exact: candidate
// series (the calendar's own repeat rules) are run through the calendar's occurrence queries
// and compared with the event's occurrences; what a series yields in surplus becomes a
// dropped occurrence, what it misses a single entry.
//
// All times are the calendar's wall-clock times. An occurrence is compared by its start and
// its end as the calendar computes them (a whole-day occurrence from 00:00:00 of its first
// day to 23:59:59 of its last).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datetime/DateTime.h"
#include "store/DateEntryArray.h"

class CExactEntries {
public:
    struct SOccurrence {
        CDateTime Start;
        CDateTime End;
    };

    // What Build appended: the series first (in the order of the candidates kept), then the
    // single entries.
    struct SResult {
        int Series = 0;   // entries that repeat
        int Singles = 0;  // entries for occurrences no series yields exactly
        int Dropped = 0;  // dropped occurrences over all series
        // more than kMostEntriesPerEvent entries and dropped occurrences were needed
        bool Truncated = false;
    };

    // The most entries one event becomes, each dropped occurrence counted like an entry; the
    // occurrences beyond are left out (and reported). A series that would need more drops
    // than the bound leaves room for ends at its last wanted occurrence before the first drop
    // without room.
    static constexpr std::size_t kMostEntriesPerEvent = 5000;

    // `base`: every property of the entries but their timing and rule (GUID, texts, colours,
    // ShowStartTime, ShowEnd, reminders), its texts in `texts`, which also takes the GUIDs
    // made here. `wanted`: the event's occurrences that start before
    // `horizon`, sorted by start, no two with the same start. `lastStart`: the start of the
    // event's last occurrence when the series ends (none: it goes on for ever; past the
    // horizon the series of the first candidate kept then carries it on). `candidates`: repeat
    // rules to try (Repeat and its fields, conditions; StartDate and EndDate are set here),
    // each anchored at the first wanted occurrence not yet taken that falls on its anchor
    // weekday and day of the month (-1: any).
    // A candidate is kept when it yields at least as many wanted occurrences as it drops.
    //
    // The first entry takes the GUID of `base`; the others have the GUID of `uid` and their
    // start (CEventGuid). Each entry's reminder state is brought up to `now` as a feed
    // entry's is, and carries StorageType 1. The entries are made in place at the end of
    // `entries`, in its store; a candidate that is not kept leaves only pieces in the store.
    // The texts of `base` are shared, not copied, when `texts` is that store.
    struct SCandidate {
        DateEntryProperties Rule;
        int AnchorWeekday = -1;   // 0 Monday .. 6 Sunday
        int AnchorMonthDay = -1;  // 1..31
    };
    static SResult Build(const DateEntryProperties& base, CRecordStore& texts, std::string_view uid,
                         const std::vector<SOccurrence>& wanted,
                         const std::optional<CDateTime>& lastStart,
                         const std::vector<SCandidate>& candidates, const CDateTime& horizon,
                         const CDateTime& now, CDateEntryArray& entries);

    // The same for occurrences cut into stretches, each with candidates of its own (where the
    // event's zone and the local zone change their offsets on different dates, the local time
    // of day moves from stretch to stretch). A stretch's series end at its last occurrence;
    // only the last stretch's go on as the event does (`lastStart`).
    struct SStretch {
        std::size_t End = 0;  // one past its last wanted occurrence; stretches in order
        std::vector<SCandidate> Candidates;
    };
    static SResult BuildStretches(const DateEntryProperties& base, CRecordStore& texts,
                                  std::string_view uid, const std::vector<SOccurrence>& wanted,
                                  const std::optional<CDateTime>& lastStart,
                                  const std::vector<SStretch>& stretches, const CDateTime& horizon,
                                  const CDateTime& now, CDateEntryArray& entries);
};
