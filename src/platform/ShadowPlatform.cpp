#include "platform/ShadowPlatform.h"

#include <cstdint>
#include <utility>

#include "platform/MemoryFile.h"

class CShadowPlatform::CWrittenFile : public CMemoryFile {
public:
    CWrittenFile(CShadowPlatform& owner, std::string path)
        : m_owner(owner), m_path(std::move(path)) {}
    ~CWrittenFile() override { m_owner.m_files[m_path] = GetData(); }

private:
    CShadowPlatform& m_owner;
    const std::string m_path;
};

CShadowPlatform::~CShadowPlatform() {
    Uninstall();
    for (const std::string& path : m_temps) GetTarget().DeleteFile(path);
}

void CShadowPlatform::Install() {
    if (m_installed) return;
    m_previous = &CPlatform::Current();
    CPlatform::SetCurrent(this);
    m_installed = true;
}

void CShadowPlatform::Uninstall() {
    if (!m_installed) return;
    CPlatform::SetCurrent(m_previous);
    m_installed = false;
}

std::unique_ptr<CFile> CShadowPlatform::OpenFile(const std::string& path, EFileOpen mode) {
    switch (mode) {
        case EFileOpen::Read:
        case EFileOpen::ReadExclusive: {
            const auto shadow = m_files.find(path);
            if (shadow == m_files.end()) return GetTarget().OpenFile(path, mode);
            if (!shadow->second) return nullptr;
            return std::make_unique<CMemoryFile>(*shadow->second);
        }
        case EFileOpen::WriteExclusive: {
            if (!IsWritablePath(path)) return nullptr;
            m_files[path] = Bytes();
            return std::make_unique<CWrittenFile>(*this, path);
        }
        case EFileOpen::Lock:
            // A lock file is never followed through a link.
            if (!IsWritablePath(path) || GetPathKind(path) == EPathKind::Link) return nullptr;
            return std::make_unique<CMemoryFile>();
    }
    return nullptr;
}

EFileTimeResult CShadowPlatform::GetLastWriteTimeUtc(const std::string& path, CivilTime& time) {
    const auto shadow = m_files.find(path);
    if (shadow != m_files.end() && !shadow->second) return EFileTimeResult::NotFound;
    return GetTarget().GetLastWriteTimeUtc(path, time);
}

bool CShadowPlatform::CreateTempFile(const std::string& folder, const std::string& prefix,
                                     std::string& path) {
    if (!GetTarget().CreateTempFile(folder, prefix, path)) return false;
    m_temps.insert(path);
    return true;
}

bool CShadowPlatform::CopyFile(const std::string& source, const std::string& target) {
    Bytes bytes;
    if (!ReadAll(source, bytes) || !IsWritablePath(target)) return false;
    m_files[target] = std::move(bytes);
    return true;
}

bool CShadowPlatform::ReplaceFileWithCopy(const std::string& source, const std::string& target) {
    return CopyFile(source, target);
}

bool CShadowPlatform::DeleteFile(const std::string& path) {
    if (m_temps.erase(path) > 0) {
        m_files.erase(path);
        return GetTarget().DeleteFile(path);
    }
    if (!FileExists(path) || GetPathKind(path) == EPathKind::Folder) return false;
    m_files[path] = std::nullopt;
    return true;
}

bool CShadowPlatform::FileExists(const std::string& path) {
    const auto shadow = m_files.find(path);
    if (shadow != m_files.end()) return shadow->second.has_value();
    return m_folders.count(path) > 0 || GetTarget().FileExists(path);
}

EPathKind CShadowPlatform::GetPathKind(const std::string& path) {
    const auto shadow = m_files.find(path);
    if (shadow != m_files.end()) return shadow->second ? EPathKind::File : EPathKind::Missing;
    if (m_folders.count(path) > 0) return EPathKind::Folder;
    return GetTarget().GetPathKind(path);
}

bool CShadowPlatform::CreateDirectory(const std::string& path) {
    if (FileExists(path)) return false;
    m_folders.insert(path);
    return true;
}

bool CShadowPlatform::IsReadableByOthers(const std::string& path) {
    return m_files.count(path) == 0 && GetTarget().IsReadableByOthers(path);
}

bool CShadowPlatform::ReadAll(const std::string& path, Bytes& bytes) {
    const std::unique_ptr<CFile> file = OpenFile(path, EFileOpen::Read);
    if (!file) return false;
    bytes.clear();
    std::uint8_t buffer[65536];
    std::size_t read = 0;
    do {
        if (!file->Read(buffer, sizeof buffer, read)) return false;
        bytes.insert(bytes.end(), buffer, buffer + read);
    } while (read > 0);
    return true;
}

bool CShadowPlatform::IsWritablePath(const std::string& path) {
    const EPathKind kind = GetPathKind(path);
    return kind == EPathKind::Missing || kind == EPathKind::File || kind == EPathKind::Link;
}
