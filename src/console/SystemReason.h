// The system's own words for why a file cannot be read or written ("Permission denied",
// "No such file or directory"), found by asking the system about the path after a failure.
#pragma once

#include <string>

class CSystemReason {
public:
    // Why `path` cannot be opened for reading: it or a folder on the way is missing or not
    // accessible, or it is a folder or no regular file. When the path looks readable, the
    // text of `fallbackErrno` (the errno of the failed operation; 0 for none); "" when
    // nothing is known.
    static std::string ForReading(const std::string& path, int fallbackErrno = 0);
    // Why `path` cannot be created or replaced: as ForReading, and also a folder that does
    // not let files be created beside it (a replacement is written beside the file), or a
    // write-protected file.
    static std::string ForWriting(const std::string& path, int fallbackErrno = 0);
    // `text` + ": " + `reason`, or `text` alone when `reason` is empty.
    static std::string Append(const std::string& text, const std::string& reason);
};
