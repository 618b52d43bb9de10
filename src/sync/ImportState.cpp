#include "sync/ImportState.h"

#include <utility>

#include "platform/Platform.h"
#include "sync/ImportedGuids.h"
#include "sync/SharedGuids.h"

CImportState::CImportState(CPlatform& platform, const std::string& folder, const std::string& feed,
                           const std::string& eventPath, std::vector<std::string> imported)
    : m_platform(platform),
      m_owner(CImportedGuids::OwnerOf(feed, eventPath)),
      m_path(CImportedGuids::StatePath(folder, feed, eventPath)),
      m_earlierPath(CImportedGuids::EarlierStatePath(folder, feed, eventPath)),
      m_imported(std::move(imported)) {
    if (m_path.empty()) m_problem = "no settings folder to keep the state file in";
}

void CImportState::Prepare(bool addMode, CStringArray& removeGuids) {
    if (!addMode || !m_problem.empty()) return;
    std::vector<std::string> previous;
    std::string read = m_path;
    EStateLoad loaded = CImportedGuids::Load(m_platform, read, m_owner, previous);
    if (loaded == EStateLoad::Missing && m_earlierPath != m_path) {
        read = m_earlierPath;
        loaded = CImportedGuids::Load(m_platform, read, m_owner, previous);
    }
    switch (loaded) {
        case EStateLoad::Loaded:
            CImportedGuids::AddGone(
                m_others != nullptr ? m_others->NotHeldByOthers(previous) : previous, m_imported,
                removeGuids);
            break;
        case EStateLoad::Missing:
            break;
        case EStateLoad::Damaged:
            m_problem = "the state file " + read + " is damaged";
            break;
        case EStateLoad::Unreadable:
            m_problem = "the state file " + read + " cannot be read";
            break;
        case EStateLoad::NotAFile:
            // Never written through either: the state cannot be kept at all.
            m_problem = "the state file " + read + " is not a regular file";
            return;
    }
    Save(CImportedGuids::Union(previous, m_imported));
}

std::vector<std::string> CImportState::LastImport(CPlatform& platform, const std::string& folder,
                                                  const std::string& feed,
                                                  const std::string& eventPath) {
    std::vector<std::string> guids;
    const std::string owner = CImportedGuids::OwnerOf(feed, eventPath);
    const std::string path = CImportedGuids::StatePath(folder, feed, eventPath);
    if (path.empty()) return guids;
    if (CImportedGuids::Load(platform, path, owner, guids) == EStateLoad::Missing) {
        CImportedGuids::Load(platform, CImportedGuids::EarlierStatePath(folder, feed, eventPath),
                             owner, guids);
    }
    return guids;
}

void CImportState::Forget(CPlatform& platform, const std::string& folder, const std::string& feed,
                          const std::string& eventPath) {
    for (const std::string& path : {CImportedGuids::StatePath(folder, feed, eventPath),
                                    CImportedGuids::EarlierStatePath(folder, feed, eventPath)}) {
        if (!path.empty() && platform.GetPathKind(path) == EPathKind::File) {
            platform.DeleteFile(path);
        }
    }
}

void CImportState::Commit() {
    if (m_path.empty()) return;
    Save(m_imported);
    if (m_problem.empty() && m_earlierPath != m_path &&
        m_platform.GetPathKind(m_earlierPath) == EPathKind::File) {
        m_platform.DeleteFile(m_earlierPath);
    }
}

void CImportState::Save(const std::vector<std::string>& guids) {
    if (CImportedGuids::Save(m_platform, m_path, m_owner, guids) || !m_problem.empty()) return;
    m_problem = m_platform.GetPathKind(m_path) == EPathKind::File ||
                        m_platform.GetPathKind(m_path) == EPathKind::Missing
                    ? "the state file " + m_path + " cannot be written"
                    : "the state file " + m_path + " is not a regular file";
}
