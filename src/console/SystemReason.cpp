#include "SystemReason.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string ErrorText(int errnum) {
    return errnum == 0 ? std::string() : std::string(std::strerror(errnum));
}

// The folder that holds `path` ("." for a bare name).
std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

std::string CSystemReason::ForReading(const std::string& path, int fallbackErrno) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return ErrorText(errno);
    if (S_ISDIR(info.st_mode)) return ErrorText(EISDIR);
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    if (::access(path.c_str(), R_OK) != 0) return ErrorText(errno);
    return TransferError(fallbackErrno);
}

std::string CSystemReason::ForWriting(const std::string& path, int fallbackErrno) {
    const std::string folder = ParentFolder(path);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return ErrorText(errno);
    if (!S_ISDIR(info.st_mode)) return ErrorText(ENOTDIR);
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return ErrorText(EISDIR);
        if (!S_ISREG(info.st_mode)) return "not a regular file";
        if (::access(path.c_str(), W_OK) != 0) return ErrorText(errno);
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return ErrorText(errno);
    return TransferError(fallbackErrno);
}

std::string CSystemReason::ForLockFile(const std::string& path, int fallbackErrno) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        return "a symbolic link, not a regular file";
    }
    return ForWriting(path, fallbackErrno);
}

std::string CSystemReason::TransferError(int errnum) {
    return IsTransferError(errnum) ? ErrorText(errnum) : std::string();
}

bool CSystemReason::IsTransferError(int errnum) {
    switch (errnum) {
        case EIO:
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
        case EROFS:
            return true;
        default:
            return false;
    }
}

std::string CSystemReason::Append(const std::string& text, const std::string& reason) {
    return reason.empty() ? text : text + ": " + reason;
}
