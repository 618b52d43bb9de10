// The outcome of one sync cycle in words for a terminal or a log, with its exit code.
#pragma once

#include <string>

class CFeedController;
struct SMergeCounts;

struct SSyncOutcome {
    std::string text;  // "Sync successful: 2 added, ...", "Can't lock event file: ...", ...
    int exitCode = 0;  // a process exit code of CConsoleCommand
    bool failed = false;
};

class CSyncReport {
public:
    // "Sync successful: 2 added, 1 updated, 997 unchanged, 1 removed; 1,234 entries": the feed
    // entries added, those that changed a stored entry and those that found it as it was, the
    // stored entries removed, and the entries of the event file afterwards.
    static std::string Summary(const SMergeCounts& counts);
    // Describes the status text that `controller`'s last cycle ended with: the status text,
    // for a failure followed by the reason where one is known (a system reason for the
    // file concerned, the merge's reason for a failed merge). `lastErrno`: errno right after
    // the cycle, used only for errors that a failed transfer alone leaves ("No space left on
    // device"). "Sync successful; removals not possible: REASON" becomes the summary followed
    // by that part, with exit code 1: the calendar is synced, but a whole calendar's feed can
    // no longer remove what it drops. Exit codes: 0 for success,
    // "Feed file is empty" (nothing to import) and "Nothing changed, not syncing"; 75 when
    // the lock file is held by another program; 1 otherwise.
    static SSyncOutcome Describe(const CFeedController& controller, const std::string& status,
                                 int lastErrno);
    // "Can't lock event file: LOCKPATH is held by another program; try again later" with exit
    // code 75, or the system's reason with 1 when the lock file could not be opened at all.
    static SSyncOutcome DescribeLockFailure(const std::string& lockPath, int lastErrno);
    // Groups of three digits separated by commas: 1234567 -> "1,234,567".
    static std::string GroupDigits(long long value);
};
