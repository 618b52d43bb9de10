// The lock file beside an event file on Linux, where flock(2) on an open file stands in for
// Windows' share mode 0. Taking it is two steps so that the window between them, in which
// another holder may delete the file and let go of it, can be closed.
#pragma once

#include <string>

#include "platform/posix/PosixFd.h"

class CPosixLockFile {
public:
    // Opens or creates the lock file at `path` for writing without blocking; an invalid
    // descriptor when that fails.
    static CPosixFd Open(const std::string& path);
    // Takes the lock on `fd`, opened by Open(path), without waiting, and truncates the file.
    // False when another opener holds it.
    static bool Take(const CPosixFd& fd, const std::string& path);
};
