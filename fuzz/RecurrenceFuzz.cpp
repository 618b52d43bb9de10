// A date entry decoded from the input, driven through the occurrence queries and the reminder
// operations. Every call must end quickly (libFuzzer's -timeout makes a slow one a finding),
// and the results must keep the rules' promises:
//   - a window query finds allowed occurrences that overlap the window, in increasing order,
//     none after the series' end date and no more than its count;
//   - a dropped occurrence is in no other list, listed once, and no longer found;
//   - after a purge every listed occurrence is still found at its instant, and every dropped
//     one is an occurrence of the rule without the drops (or with the others, when counted);
//   - SnoozeUntil stays parallel to SnoozedOccurrences, and a reminder update never leaves
//     LastCheckTime after its `now`.
//
// Input: the properties (dates and codes, each within its type's range or a little beyond),
// then a list of operations, one byte each plus their arguments.

#include <cstdint>
#include <limits>

#include "ByteReader.h"
#include "FuzzCheck.h"
#include "FuzzPlatform.h"
#include "store/DateEntry.h"

namespace {

constexpr int kMostOperations = 24;
// Enough occurrences per window to see the order and the count; the queries themselves are
// what must be fast, not a harness walk over thousands of results.
constexpr int kMostOccurrencesPerWindow = 64;
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

class CEntryDecoder {
public:
    explicit CEntryDecoder(CByteReader& input) : m_input(input) {}

    // Mostly near the present, sometimes anywhere up to year 40000 (far dates are where the
    // cost of counting used to grow).
    CDateTime Date() {
        const bool far = (m_input.Byte() & 3) == 0;
        const int year =
            static_cast<int>(far ? m_input.Range(1, 40000) : m_input.Range(1990, 2060));
        const int month = static_cast<int>(m_input.Range(1, 12));
        const int day = static_cast<int>(m_input.Range(1, CDateTime::DaysInMonth(year, month)));
        // One statement per value: the order of reading must not depend on the compiler.
        const int hour = static_cast<int>(m_input.Range(0, 23));
        const int minute = static_cast<int>(m_input.Range(0, 59));
        const int second = static_cast<int>(m_input.Range(0, 59));
        return CDateTime(year, month, day, hour, minute, second);
    }
    // Small values mostly, any int32 sometimes.
    std::int32_t Amount(std::int32_t smallest, std::int32_t largest) {
        if ((m_input.Byte() & 7) == 0) {
            return static_cast<std::int32_t>(
                m_input.Range(std::numeric_limits<std::int32_t>::min(), kInt32Max));
        }
        return static_cast<std::int32_t>(m_input.Range(smallest, largest));
    }
    std::int32_t Code(std::int32_t largest) {
        return static_cast<std::int32_t>(m_input.Range(0, largest));
    }

    void Properties(DateEntryProperties& p) {
        p.StartDate = Date();
        p.EndDate =
            (m_input.Byte() & 1) != 0 ? Date() : p.StartDate + CDateTimeSpan(Amount(0, 86400 * 3));
        p.ShowStartTime = Code(1);
        p.ShowEnd = Code(1);
        p.Repeat = Code(3);
        p.RepeatRate = Amount(0, 400);
        p.RepeatUnit = Code(6);
        p.RepeatWeekdayCount = Code(6);
        p.RepeatWeekday = Code(7);
        p.RepeatEnd = Code(3);
        p.RepeatEndCount = Amount(0, 1000);
        p.RepeatEndDate = Date();
        p.CondTimeEnable = Code(1);
        p.CondStartTime = Date();
        p.CondEndTime = Date();
        p.CondWeekdays = Code(127);
        p.CondMonth = Code(4095);
        p.Forewarn = Code(1);
        p.ForewarnSpan = Amount(0, 1000);
        p.ForewarnUnit = Code(4);
        p.OverdueAction = Code(4);
        p.ExecuteSpan = Amount(0, 1000);
        p.ExecuteUnit = Code(4);
    }

private:
    CByteReader& m_input;
};

bool Overlaps(const CDateTime& q, const CDateTime& p, const CDateTime& from, const CDateTime& to) {
    return (from <= q && q <= to) || (from <= p && p <= to) || (q < from && p > to);
}

int CountIn(const CDateTimeList& list, const CDateTime& value) {
    int count = 0;
    for (const CDateTime item : list) count += item == value ? 1 : 0;
    return count;
}

// The first occurrence found over [from, to], or false.
bool FindAt(CDateEntry& entry, const CDateTime& from, const CDateTime& to, CDateTime& start) {
    CDateTime end;
    return entry.FindFirstOccurrence(from, to, start, end);
}

void CheckWindow(CDateEntry& entry, const CDateTime& from, const CDateTime& to) {
    const DateEntryProperties& p = entry.Properties;
    CDateTime start;
    CDateTime end;
    bool found = entry.FindFirstOccurrence(from, to, start, end);
    CDateTime previous;
    for (int n = 0; found && n < kMostOccurrencesPerWindow; ++n) {
        FUZZ_CHECK(Overlaps(start, end, from, to));
        FUZZ_CHECK(entry.IsOccurrenceAllowed(start));
        FUZZ_CHECK(n == 0 || previous < start);
        if (p.Repeat != 0 && p.RepeatEnd == 1) {
            FUZZ_CHECK(entry.OccurrenceCounter <= p.RepeatEndCount);
        }
        if (p.Repeat != 0 && p.RepeatEnd == 2) FUZZ_CHECK(start <= p.RepeatEndDate);
        previous = start;
        found = entry.FindNextOccurrence(from, to, start, end);
    }
}

void CheckParallelSnoozes(const CDateEntry& entry) {
    FUZZ_CHECK(entry.SnoozeUntil.GetSize() == entry.SnoozedOccurrences.GetSize());
}

void CheckPurged(CDateEntry& entry) {
    CheckParallelSnoozes(entry);
    CDateTime start;
    for (const CDateTimeList* list :
         {&entry.DueOccurrences, &entry.AcknowledgedOccurrences, &entry.SnoozedOccurrences}) {
        CDateTimeArray items;
        items.Append(*list);
        for (const CDateTime& t : items) FUZZ_CHECK(FindAt(entry, t, t, start));
    }
    // A kept drop is an occurrence of the rule without the drops, or, in a series that ends
    // after a count, one that the other drops move within the count.
    const bool counted = entry.Properties.Repeat != 0 && entry.Properties.RepeatEnd == 1;
    for (const CDateTime& t : entry.DroppedOccurrences) {
        CDateEntry rule(entry);
        rule.DroppedOccurrences.RemoveAll();
        rule.SeriesEndKnown = 0;
        if (FindAt(rule, t, t, start)) continue;
        FUZZ_CHECK(counted);
        for (const CDateTime& other : entry.DroppedOccurrences) {
            if (other != t) rule.DroppedOccurrences.Add(other);
        }
        FUZZ_CHECK(FindAt(rule, t, t, start));
    }
}

void CheckDropped(CDateEntry& entry, const CDateTime& t) {
    FUZZ_CHECK(entry.IsOccurrenceDropped(t));
    FUZZ_CHECK(CountIn(entry.DroppedOccurrences, t) == 1);
    FUZZ_CHECK(entry.FindDue(t) < 0 && entry.FindSnoozed(t) < 0 && entry.FindAcknowledged(t) < 0);
    CheckParallelSnoozes(entry);
    CDateTime start;
    FUZZ_CHECK(!FindAt(entry, t, t, start) || start != t);
}

// The k-th occurrence (from 0) of the series from its start, when there is one within the
// first kMostOccurrencesPerWindow.
bool NthOccurrence(CDateEntry& entry, int k, CDateTime& result) {
    const CDateTime from = entry.Properties.StartDate.Get().GetDateOnly();
    const CDateTime to = from + CDateTimeSpan(std::int64_t{86400} * 366 * 200);
    CDateTime start;
    CDateTime end;
    bool found = entry.FindFirstOccurrence(from, to, start, end);
    for (int n = 0; found && n < kMostOccurrencesPerWindow; ++n) {
        if (n == k) {
            result = start;
            return true;
        }
        found = entry.FindNextOccurrence(from, to, start, end);
    }
    return false;
}

// Picks an item of `list` by the next input byte; false when the list is empty.
bool PickFrom(const CDateTimeList& list, CByteReader& input, CDateTime& item) {
    const std::uint8_t index = input.Byte();
    if (list.GetSize() == 0) return false;
    item = list[index % list.GetSize()];
    return true;
}

void RunOperation(CDateEntry& entry, CByteReader& input, CEntryDecoder& decode) {
    CDateTime t;
    switch (input.Byte() % 11) {
        case 0:
            t = decode.Date();
            entry.DropOccurrence(t);
            CheckDropped(entry, t);
            break;
        case 1:
            if (NthOccurrence(entry, input.Byte() % 16, t)) {
                entry.DropOccurrence(t);
                CheckDropped(entry, t);
            }
            break;
        case 2:
            if (PickFrom(entry.DroppedOccurrences, input, t)) {
                entry.RestoreOccurrence(t);
                FUZZ_CHECK(!entry.IsOccurrenceDropped(t));
            }
            break;
        case 3: {
            const CDateTime now = decode.Date();
            entry.UpdateReminders(now);
            FUZZ_CHECK(entry.LastCheckTime <= now);
            CheckParallelSnoozes(entry);
            break;
        }
        case 4:
            if (PickFrom(entry.DueOccurrences, input, t)) {
                entry.AcknowledgeOccurrence(t, true);
                FUZZ_CHECK(entry.FindDue(t) < 0 && entry.FindSnoozed(t) < 0);
            }
            break;
        case 5:
            if (PickFrom(entry.AcknowledgedOccurrences, input, t)) {
                entry.AcknowledgeOccurrence(t, false);
                FUZZ_CHECK(entry.FindAcknowledged(t) < 0);
            }
            break;
        case 6:
            // Snoozing is the calendar's doing; the entry must carry it through.
            if (PickFrom(entry.DueOccurrences, input, t)) {
                entry.DueOccurrences.RemoveAt(entry.FindDue(t));
                entry.SnoozedOccurrences.Add(t);
                entry.SnoozeUntil.Add(decode.Date());
            }
            break;
        case 7:
            entry.PurgeOccurrenceLists();
            CheckPurged(entry);
            break;
        case 8: {
            CDateTime from = decode.Date();
            CDateTime to = decode.Date();
            if (to < from) std::swap(from, to);
            CheckWindow(entry, from, to);
            break;
        }
        case 9:
            t = decode.Date();
            entry.CountOccurrencesUntil(t);
            entry.IsWithinOverdueLimit(t, decode.Date());
            break;
        case 10: {
            // A changed rule, as a later sync of the feed brings it.
            DateEntryProperties changed = entry.Properties;
            decode.Properties(changed);
            entry.ApplyProperties(changed);
            CheckPurged(entry);
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CFuzzPlatform platform;
    CByteReader input(data, size);
    CEntryDecoder decode(input);
    CDateEntry entry;
    decode.Properties(entry.Properties);
    entry.LastCheckTime = decode.Date();
    for (int i = 0; i < kMostOperations && !input.Empty(); ++i) RunOperation(entry, input, decode);
    return 0;
}
