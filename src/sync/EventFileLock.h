// The lock file beside an event file (its path with the extension replaced by "lock"), held
// open without sharing by whoever rewrites the event file: a sync, or a copy onto it.
#pragma once

#include <memory>
#include <string>

#include "platform/File.h"

class CPlatform;

class CEventFileLock {
public:
    // REQUIRES: `platform` outlives the object.
    CEventFileLock(CPlatform& platform, const std::string& eventPath);
    CEventFileLock(const CEventFileLock&) = delete;
    CEventFileLock& operator=(const CEventFileLock&) = delete;
    // Lets go of a taken lock: where the system lets a held file be deleted (Linux), it is
    // deleted before it is let go, so that a process that opened it before the delete finds,
    // once it has the lock, that its file is no longer the one at the path. Elsewhere (Windows
    // refuses to delete a file open without sharing) it is closed first.
    ~CEventFileLock();

    // Takes the lock; false when another process holds it, when it cannot be created, or when
    // the event file is named *.lock and so would be its own lock file (taking it would cut the
    // event file to nothing).
    bool Take();
    const std::string& GetPath() const { return m_path; }

private:
    CPlatform& m_platform;
    std::string m_path;
    bool m_selfLocking = false;
    std::unique_ptr<CFile> m_lock;
};
