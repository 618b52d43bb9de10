// Change notification for the entries of one folder (not its subfolders), as the system
// delivers it: inotify on Linux, ReadDirectoryChangesW on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class EFolderWatchRead {
    Ok,        // the names read, possibly none
    Overflow,  // the system dropped notifications: any entry may have changed
    Gone,      // the folder was deleted or moved, or the watch broke; no more notifications
};

class CFolderWatch {
public:
    CFolderWatch() = default;
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;
    virtual ~CFolderWatch() = default;

    // Appends to `names` the names (without the folder) of the entries that were created,
    // written, renamed to or from, deleted or had their times changed since the last call;
    // never waits. A name may come several times.
    virtual EFolderWatchRead Read(std::vector<std::string>& names) = 0;
    // What a waiting loop waits on: a descriptor that polls readable (Linux) or an event
    // handle that is signalled (Windows) while Read has something to deliver.
    virtual std::intptr_t GetWaitHandle() const = 0;
};
