// Helpers for the recurrence, reminder and update tests: date-time literals, date entries
// with a fixed clock, and window iterations that stop after a bounded number of steps.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "datetime/DateTime.h"
#include "store/DateEntry.h"
#include "support/FakePlatform.h"

inline CDateTime Dt(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    CDateTime value;
    EXPECT_TRUE(value.SetDateTime(year, month, day, hour, minute, second))
        << year << "-" << month << "-" << day;
    return value;
}

inline std::string Text(const CDateTime& value) {
    return value.Format("%Y-%m-%d %H:%M:%S");
}

// Lets GoogleTest print date-times in failure messages.
inline void PrintTo(const CDateTime& value, std::ostream* out) {
    *out << Text(value);
}

struct Occurrence {
    CDateTime start;
    CDateTime end;
    bool operator==(const Occurrence& other) const {
        return start == other.start && end == other.end;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Occurrence& occurrence) {
    return out << "[" << Text(occurrence.start) << ", " << Text(occurrence.end) << "]";
}

// The result of a window iteration; `complete` is false when it was cut off at the step
// limit (which, for a rule whose next occurrence never moves on, means it would not end).
struct Iteration {
    std::vector<Occurrence> occurrences;
    bool complete = true;
};

constexpr int kIterationLimit = 100000;

// FindFirstOccurrence, then FindNextOccurrence until FALSE.
inline Iteration FindAll(CDateEntry& entry, const CDateTime& from, const CDateTime& to,
                         int limit = kIterationLimit) {
    Iteration result;
    CDateTime start;
    CDateTime end;
    for (bool found = entry.FindFirstOccurrence(from, to, start, end); found;
         found = entry.FindNextOccurrence(from, to, start, end)) {
        if (static_cast<int>(result.occurrences.size()) == limit) {
            result.complete = false;
            break;
        }
        result.occurrences.push_back({start, end});
    }
    return result;
}

// GetFirstOccurrence, then GetNextOccurrence until FALSE: the bare rule.
inline Iteration GetAll(const CDateEntry& entry, const CDateTime& from, const CDateTime& to,
                        int limit = kIterationLimit) {
    Iteration result;
    CDateTime start;
    CDateTime end;
    for (bool found = entry.GetFirstOccurrence(from, to, start, end); found;
         found = entry.GetNextOccurrence(from, to, start, end)) {
        if (static_cast<int>(result.occurrences.size()) == limit) {
            result.complete = false;
            break;
        }
        result.occurrences.push_back({start, end});
    }
    return result;
}

// The count of a series and the end it caches, by walking every occurrence from the start on
// the bare rule's public steps: the reference for the closed-form count.
struct Walk {
    std::int64_t count = 0;
    bool endKnown = false;
    CDateTime seriesEnd;
};

inline Walk WalkCount(const CDateEntry& entry, const CDateTime& t) {
    const DateEntryProperties& p = entry.Properties;
    Walk result;
    CDateTime s = p.StartDate;
    if (p.ShowStartTime == 0) s.SetTime(0, 0, 0);
    CDateTime start;
    CDateTime end;
    for (bool found = entry.GetFirstOccurrence(s, t, start, end); found;
         found = entry.GetNextOccurrence(s, t, start, end)) {
        if (!entry.IsOccurrenceAllowed(start)) continue;
        ++result.count;
        if (p.Repeat != 0 && p.RepeatEnd == 1) {
            if (result.count == p.RepeatEndCount) {
                result.endKnown = true;
                result.seriesEnd = end;
            }
            if (result.count > p.RepeatEndCount) break;
        }
        if (start.GetDateOnly() == t) break;
    }
    return result;
}

inline std::vector<CDateTime> Starts(const Iteration& iteration) {
    std::vector<CDateTime> starts;
    for (const Occurrence& occurrence : iteration.occurrences) starts.push_back(occurrence.start);
    return starts;
}

inline std::vector<CDateTime> Items(const CDateTimeList& list) {
    return std::vector<CDateTime>(list.begin(), list.end());
}

// Any list of date-times with RemoveAll and Add (CDateTimeList, CIndexedDateTimeList).
template <class TList>
void SetItems(TList& list, const std::vector<CDateTime>& items) {
    list.RemoveAll();
    for (const CDateTime& item : items) list.Add(item);
}

// A fixture whose clock reads 2024-05-17 08:30:00 unless a test moves it, and a maker of
// entries that start at a given time with no end shown (occurrences of length 0).
class OccurrenceTest : public ::testing::Test {
protected:
    void SetUp() override { m_platform.Install(); }

    void SetNow(const CDateTime& now) {
        m_platform.SetLocalTime({now.GetYear(), now.GetMonth(), now.GetDay(), now.GetHour(),
                                 now.GetMinute(), now.GetSecond()});
    }

    static CDateEntry Entry(const CDateTime& start) {
        CDateEntry entry;
        entry.Properties.StartDate = start;
        entry.Properties.EndDate = start;
        entry.Properties.RepeatEndDate = start;
        entry.Properties.ShowEnd = 0;
        return entry;
    }
    // Repeat 1 every `rate` units (1 hours, 2 days, 3 weeks, 4 months, 5 years).
    static CDateEntry Every(const CDateTime& start, int rate, int unit) {
        CDateEntry entry = Entry(start);
        entry.Properties.Repeat = 1;
        entry.Properties.RepeatRate = rate;
        entry.Properties.RepeatUnit = unit;
        return entry;
    }
    // Repeat 2 on the `count`-th (5 = last) `weekday` of every month.
    static CDateEntry Monthly(const CDateTime& start, int count, int weekday) {
        CDateEntry entry = Entry(start);
        entry.Properties.Repeat = 2;
        entry.Properties.RepeatWeekdayCount = count;
        entry.Properties.RepeatWeekday = weekday;
        return entry;
    }
    // Sets an end: the first occurrence lasts `seconds`.
    static void SetLength(CDateEntry& entry, std::int64_t seconds) {
        entry.Properties.ShowEnd = 1;
        entry.Properties.EndDate = entry.Properties.StartDate + CDateTimeSpan(seconds);
    }

    CFakePlatform m_platform;
};
