// CFolderWatch on Linux: one inotify instance with one watch on the folder.
#pragma once

#include <memory>
#include <string>

#include "platform/FolderWatch.h"
#include "platform/posix/PosixFd.h"

class CInotifyFolderWatch : public CFolderWatch {
public:
    // The watch on `folder`; nullptr, with the system's reason, when inotify refuses it.
    static std::unique_ptr<CFolderWatch> Open(const std::string& folder, std::string& reason);

    EFolderWatchRead Read(std::vector<std::string>& names) override;
    // The inotify descriptor (non-blocking).
    std::intptr_t GetWaitHandle() const override { return m_fd.Get(); }

private:
    explicit CInotifyFolderWatch(CPosixFd fd) : m_fd(std::move(fd)) {}

    CPosixFd m_fd;
    bool m_gone = false;
};
