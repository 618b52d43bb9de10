// The system's own words for why a file cannot be read or written ("Permission denied",
// "No such file or directory"), found by asking the system about the path after a failure.
#pragma once

#include <string>

class CSystemReason {
public:
    // The reason given for an iCalendar feed that ends inside a component or whose BEGIN and
    // END lines do not pair.
    static constexpr const char* kIncompleteCalendar =
        "the calendar is incomplete (still being written or downloaded?): nothing imported, "
        "nothing removed";
    // Why `path` cannot be opened for reading: it or a folder on the way is missing or not
    // accessible, or it is a folder or no regular file. When the path looks readable, the
    // text of `fallbackErrno` (the errno left by the failed operation; 0 for none) if it is
    // one that only a failed read or write leaves (IsTransferError); "" when nothing is known.
    static std::string ForReading(const std::string& path, int fallbackErrno = 0);
    // Why `path` cannot be created or replaced: as ForReading, and also a folder that does
    // not let files be created beside it (a replacement is written beside the file), or a
    // write-protected file.
    static std::string ForWriting(const std::string& path, int fallbackErrno = 0);
    // Why the lock file `path` cannot be taken, when the cause is no other holder: as
    // ForWriting, and a symbolic link at the path (never followed, whatever it points to) is
    // no regular file. "" when the path looks usable, so that only a holder is left.
    static std::string ForLockFile(const std::string& path, int fallbackErrno = 0);
    // True for the errors that only a failed transfer of data reports ("No space left on
    // device", "Disk quota exceeded", "Input/output error", ...). An errno read some calls
    // after the failure is trusted only then: a lookup on the way (a file that is not there
    // yet) may have left another one.
    static bool IsTransferError(int errnum);
    // The text of `errnum` when IsTransferError, otherwise "".
    static std::string TransferError(int errnum);
    // `text` + ": " + `reason`, or `text` alone when `reason` is empty.
    static std::string Append(const std::string& text, const std::string& reason);
};
