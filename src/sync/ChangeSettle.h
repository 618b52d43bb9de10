// When a check follows the change notifications of one file: once the file has been quiet
// for kQuietMs, but no later than kLongestMs after the first change that is waiting, so that
// a writer still writing is not read half-way and one that never stops is still followed.
//
// Times are milliseconds of the wall clock (since 1970). The check compares last-write times
// to the second, so an import recorded while the second of a write still runs would hide a
// later write in that same second: a quiet file is checked only once the second of its last
// change has passed, and a file that never goes quiet at the last whole second within
// kLongestMs of its first change. Even so a write can fall into the second in which a check
// runs; MayHideChange says when that happened.
#pragma once

#include <cstdint>

class CChangeSettle {
public:
    static constexpr std::int64_t kQuietMs = 300;
    static constexpr std::int64_t kLongestMs = 2000;

    // A change of the file was seen at `nowMs`.
    void OnChange(std::int64_t nowMs);
    // A check of the file started at `nowMs` (brought by this settle or by the timer): the
    // changes seen until now are dealt with.
    void OnChecked(std::int64_t nowMs);
    // Whether a change came after the last check within the second in which that check
    // started: the last-write time the check remembered may be the changed file's too (a
    // write just before the check, which the check saw, and another one after it), so the
    // next check must not trust it.
    bool MayHideChange() const { return m_mayHideChange; }

    bool IsPending() const { return m_pending; }
    // Milliseconds from `nowMs` until the check is due: 0 when it is due, -1 when no change
    // is waiting. A clock set back never makes it wait longer than a whole settle.
    std::int64_t WaitMs(std::int64_t nowMs) const;

private:
    bool m_pending = false;
    std::int64_t m_firstMs = 0;
    std::int64_t m_lastMs = 0;
    bool m_checked = false;
    std::int64_t m_checkMs = 0;
    bool m_mayHideChange = false;
};
