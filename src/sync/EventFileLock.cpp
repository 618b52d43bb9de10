#include "sync/EventFileLock.h"

#include "platform/Platform.h"
#include "sync/PathParts.h"

CEventFileLock::CEventFileLock(CPlatform& platform, const std::string& eventPath)
    : m_platform(platform) {
    CPathParts parts(platform, eventPath);
    parts.SetExtension("lock");
    m_path = parts.GetPath();
    m_selfLocking = platform.SamePathText(m_path, eventPath);
}

CEventFileLock::~CEventFileLock() {
    if (!m_lock) return;
    const bool deleted = m_platform.DeleteFile(m_path);
    m_lock.reset();
    if (!deleted) m_platform.DeleteFile(m_path);
}

bool CEventFileLock::Take() {
    if (m_selfLocking) return false;
    m_lock = m_platform.OpenFile(m_path, EFileOpen::Lock);
    return m_lock != nullptr;
}
