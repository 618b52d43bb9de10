// Loading and saving a whole event file by its path, for tools that work on event files
// directly (the sync cycle works on its own locked copy instead).
#pragma once

#include <string>

class CEventData;
class CPlatform;

class CEventFile {
public:
    // Opens `path` through `platform` (shared reading) and loads it into `data`. On
    // failure `data` is unchanged and `error` holds one line naming the file:
    //   "cannot open PATH"                         missing, not a regular file, no access
    //   "cannot read PATH"                         the file system failed while reading
    //   "cause N: <text of the archive cause>"     damaged content (N = 3, 5, 6 or 7)
    //   "not enough memory to load PATH"
    static bool Load(CPlatform& platform, const std::string& path, CEventData& data,
                     std::string& error);

    // Writes `data` into a new file in the platform's temporary folder, then replaces `path`
    // by a copy of it in one step, and deletes the temporary file. On failure `path` is
    // exactly as it was (or still absent) and `error` holds "cannot write PATH".
    static bool Save(CPlatform& platform, const std::string& path, const CEventData& data,
                     std::string& error);
};
