// Folder watches that deliver what a test puts into them, for driving change notifications
// without the system's.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/FolderWatch.h"
#include "platform/PlatformWrapper.h"

// What the system would deliver to one folder's watch, filled by the test.
struct SFakeFolder {
    bool watchable = true;  // false: WatchFolder fails with "no watches left"
    std::vector<std::string> names;
    EFolderWatchRead next = EFolderWatchRead::Ok;  // the result of the next Read
    int watches = 0;                               // watches made on the folder so far
};

class CFakeFolderWatch : public CFolderWatch {
public:
    // REQUIRES: `folder` outlives the watch.
    explicit CFakeFolderWatch(SFakeFolder& folder) : m_folder(folder) {}
    // Hands out and clears the folder's names; returns its `next` and resets it to Ok.
    EFolderWatchRead Read(std::vector<std::string>& names) override;
    std::intptr_t GetWaitHandle() const override { return 7; }

private:
    SFakeFolder& m_folder;
};

// Forwards every call to another platform except WatchFolder, which watches the entries of
// `folders` (made on first use, watchable).
class CFakeWatchPlatform : public CPlatformWrapper {
public:
    // REQUIRES: `inner` outlives this object.
    explicit CFakeWatchPlatform(CPlatform& inner) : CPlatformWrapper(inner) {}
    std::unique_ptr<CFolderWatch> WatchFolder(const std::string& folder,
                                              std::string& reason) override;

    std::map<std::string, SFakeFolder> folders;
};
