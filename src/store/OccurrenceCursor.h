// The occurrences of one date entry that start within a window, in order, one at a time.
#pragma once

#include <cstdint>
#include <optional>

#include "datetime/DateTime.h"
#include "datetime/PackedDateTime.h"

class CDateEntry;

// Walks as CAgenda::Collect describes: FindFirstOccurrence and FindNextOccurrence over the
// window, again from the 29th of the following month after a fifth weekday that a month
// lacks, keeping the starts within [from, to] in order. A series of a fixed period whose
// occurrences last 0 seconds or more is searched over the window shifted by its length, so
// that the walk begins at the first occurrence that starts within the window instead of at
// the first that still overlaps it (an occurrence that lasts years overlaps millions of
// earlier ones); what it yields is the same.
//
// The queries keep their state in the entry (OccurrenceCounter, SeriesEnd, SeriesEndKnown):
// the cursor holds the state of its own walk apart and puts the entry's back before Next
// returns, so the entry is as the caller left it between calls, and many cursors may walk
// entries of one list side by side.
class COccurrenceCursor {
public:
    // REQUIRES: `entry` outlives the cursor.
    COccurrenceCursor(CDateEntry& entry, const CDateTime& from, const CDateTime& to);

    // The next occurrence; false once there is none.
    bool Next(CDateTime& start, CDateTime& end);

private:
    struct SQueryState {
        std::int32_t counter = 0;
        std::int32_t seriesEndKnown = 0;
        CPackedDateTime seriesEnd;
    };
    void Swap(SQueryState& state);
    // One step of the walk; false at the end of a window.
    bool Step();
    // After a window: on to the next one, or false at the end.
    bool NextWindow();

    CDateEntry* m_entry;
    CDateTime m_from;
    CDateTime m_to;
    SQueryState m_state;
    bool m_gaps = false;
    // The window searched: [m_windowStart, m_to] or, shifted, [m_shiftedFrom, m_shiftedTo].
    bool m_shifted = false;
    CDateTime m_shiftedFrom;
    CDateTime m_shiftedTo;
    CDateTime m_windowStart;
    bool m_inWindow = false;
    bool m_done = false;
    CDateTime m_start;
    CDateTime m_end;
    std::optional<CDateTime> m_last;
};
