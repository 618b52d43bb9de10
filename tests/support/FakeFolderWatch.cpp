#include "support/FakeFolderWatch.h"

#include <utility>

EFolderWatchRead CFakeFolderWatch::Read(std::vector<std::string>& names) {
    names.insert(names.end(), m_folder.names.begin(), m_folder.names.end());
    m_folder.names.clear();
    return std::exchange(m_folder.next, EFolderWatchRead::Ok);
}

std::unique_ptr<CFolderWatch> CFakeWatchPlatform::WatchFolder(const std::string& folder,
                                                              std::string& reason) {
    SFakeFolder& state = folders[folder];
    if (!state.watchable) {
        reason = "no watches left";
        return nullptr;
    }
    ++state.watches;
    return std::make_unique<CFakeFolderWatch>(state);
}
