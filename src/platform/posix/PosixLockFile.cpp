#include "platform/posix/PosixLockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

CPosixFd CPosixLockFile::Open(const std::string& path) {
    // O_NOFOLLOW: a link planted at the lock path must not lead the truncate to its target.
    CPosixFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666));
    if (!fd.IsValid()) return fd;
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return CPosixFd();
    return fd;
}

bool CPosixLockFile::Take(const CPosixFd& fd, const std::string& path) {
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return false;
    // A holder deletes the lock file before letting go of it. When that happened between our
    // open and our lock, the file we now hold has no name and another process may hold a new
    // file at the path: this is no lock, and the path belongs to that process.
    struct stat held {};
    struct stat named {};
    if (fstat(fd.Get(), &held) != 0 || lstat(path.c_str(), &named) != 0 ||
        held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
        return false;
    }
    return ftruncate(fd.Get(), 0) == 0;
}
