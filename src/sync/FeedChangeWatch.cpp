#include "sync/FeedChangeWatch.h"

#include <algorithm>
#include <utility>

#include "platform/Platform.h"
#include "sync/FeedAddress.h"

void CFeedChangeWatch::Follow(const std::vector<std::string>& files) {
    std::map<std::string, SFile> followed;
    for (const std::string& path : files) {
        if (path.empty() || CFeedAddress::IsAddress(path)) continue;
        auto kept = m_files.find(path);
        if (kept != m_files.end()) {
            followed.insert(m_files.extract(kept));
            continue;
        }
        SFile file;
        SplitPath(path, file.folder, file.name);
        followed.emplace(path, std::move(file));
    }
    m_files = std::move(followed);

    std::map<std::string, SFolder> folders;
    for (const auto& [path, file] : m_files) {
        if (folders.count(file.folder) != 0) continue;
        SFolder state;
        if (auto old = m_folders.find(file.folder); old != m_folders.end()) {
            state = std::move(old->second);
        }
        if (!state.watch) {
            std::string reason;
            state.watch = m_platform.WatchFolder(file.folder, reason);
            if (!state.watch) {
                Fail(file.folder, state, reason);
            } else {
                state.reported = false;
            }
        }
        folders.emplace(file.folder, std::move(state));
    }
    m_folders = std::move(folders);
}

void CFeedChangeWatch::Collect(std::int64_t nowMs) {
    for (auto& [folder, state] : m_folders) {
        if (!state.watch) continue;
        std::vector<std::string> names;
        const EFolderWatchRead read = state.watch->Read(names);
        for (auto& [path, file] : m_files) {
            if (file.folder != folder) continue;
            const bool changed =
                read != EFolderWatchRead::Ok ||
                std::any_of(names.begin(), names.end(), [&](const std::string& name) {
                    return m_platform.SamePathText(name, file.name);
                });
            // A folder deleted or moved away may have taken the file with it: one check says.
            if (changed) file.settle.OnChange(nowMs);
        }
        if (read == EFolderWatchRead::Gone) {
            state.watch.reset();
            Fail(folder, state, "the folder was deleted or moved");
        }
    }
}

std::int64_t CFeedChangeWatch::WaitMs(std::int64_t nowMs) const {
    std::int64_t first = -1;
    for (const auto& [path, file] : m_files) {
        const std::int64_t wait = file.settle.WaitMs(nowMs);
        if (wait >= 0 && (first < 0 || wait < first)) first = wait;
    }
    return first;
}

std::vector<std::string> CFeedChangeWatch::GetDue(std::int64_t nowMs) const {
    std::vector<std::string> due;
    for (const auto& [path, file] : m_files) {
        if (file.settle.WaitMs(nowMs) == 0) due.push_back(path);
    }
    return due;
}

bool CFeedChangeWatch::MayHideChange(const std::string& file) const {
    const auto it = m_files.find(file);
    return it != m_files.end() && it->second.settle.MayHideChange();
}

void CFeedChangeWatch::OnChecked(const std::string& file, std::int64_t nowMs) {
    if (auto it = m_files.find(file); it != m_files.end()) it->second.settle.OnChecked(nowMs);
}

std::vector<std::intptr_t> CFeedChangeWatch::GetWaitHandles() const {
    std::vector<std::intptr_t> handles;
    for (const auto& [folder, state] : m_folders) {
        if (state.watch) handles.push_back(state.watch->GetWaitHandle());
    }
    return handles;
}

bool CFeedChangeWatch::IsWatchingAll() const {
    return std::all_of(m_folders.begin(), m_folders.end(),
                       [](const auto& folder) { return folder.second.watch != nullptr; });
}

std::vector<SWatchFailure> CFeedChangeWatch::TakeFailures() {
    return std::exchange(m_failures, {});
}

std::string CFeedChangeWatch::FailureText(const SWatchFailure& failure, int intervalSeconds) {
    return "No change notification for " + failure.folder + ": " + failure.reason +
           "; checking every " + std::to_string(intervalSeconds) + " seconds";
}

void CFeedChangeWatch::Fail(const std::string& folder, SFolder& state, const std::string& reason) {
    if (state.reported) return;
    state.reported = true;
    SWatchFailure failure{folder, reason, {}};
    for (const auto& [path, file] : m_files) {
        if (file.folder == folder) failure.files.push_back(path);
    }
    m_failures.push_back(std::move(failure));
}

void CFeedChangeWatch::SplitPath(const std::string& path, std::string& folder,
                                 std::string& name) const {
    const char separator = m_platform.PathSeparator();
    std::string::size_type cut = path.find_last_of(std::string{'/', separator});
    if (cut == std::string::npos) {
        folder = ".";
        name = path;
        return;
    }
    name = path.substr(cut + 1);
    // The root keeps its separator ("/", "C:\").
    folder = path.substr(0, cut == 0 || (cut == 2 && path[1] == ':') ? cut + 1 : cut);
}
