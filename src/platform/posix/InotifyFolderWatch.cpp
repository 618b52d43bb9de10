#include "platform/posix/InotifyFolderWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A completed write, a write in progress (a writer that pauses mid-file shows up before it
// closes), entries made, renamed or deleted, and times set (touch, a copy keeping times).
constexpr std::uint32_t kEntryEvents =
    IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kFolderEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

std::unique_ptr<CFolderWatch> CInotifyFolderWatch::Open(const std::string& folder,
                                                        std::string& reason) {
    CPosixFd fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!fd.IsValid()) {
        reason = std::strerror(errno);
        return nullptr;
    }
    if (inotify_add_watch(fd.Get(), folder.c_str(), kEntryEvents | kFolderEvents) < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<CFolderWatch>(new CInotifyFolderWatch(std::move(fd)));
}

EFolderWatchRead CInotifyFolderWatch::Read(std::vector<std::string>& names) {
    bool overflow = false;
    alignas(inotify_event) char buffer[16 * 1024];
    while (!m_gone) {
        const ssize_t got = ::read(m_fd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) break;
        if (got <= 0) {
            m_gone = true;
            break;
        }
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if ((event.mask & IN_Q_OVERFLOW) != 0) overflow = true;
            if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) != 0) {
                m_gone = true;
            }
            if (event.len > 0 && (event.mask & kEntryEvents) != 0) {
                names.emplace_back(buffer + at + sizeof event);
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    if (m_gone) return EFolderWatchRead::Gone;
    return overflow ? EFolderWatchRead::Overflow : EFolderWatchRead::Ok;
}
