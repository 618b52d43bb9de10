#include "support/FaultyPlatform.h"

#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

namespace {

class CFaultyFile final : public CFile {
public:
    CFaultyFile(std::unique_ptr<CFile> inner, EFileFault fault, std::size_t budget)
        : m_inner(std::move(inner)), m_fault(fault), m_budget(budget) {}

    bool Read(void* buffer, std::size_t count, std::size_t& read) override {
        if (m_fault != EFileFault::ReadFails && m_fault != EFileFault::ReadThrowsBadAlloc) {
            return m_inner->Read(buffer, count, read);
        }
        if (count <= m_budget) {
            if (!m_inner->Read(buffer, count, read)) return false;
            m_budget -= read;
            return true;
        }
        std::size_t got = 0;
        if (m_budget > 0 && !m_inner->Read(buffer, m_budget, got)) return false;
        m_budget -= got;
        if (m_fault == EFileFault::ReadThrowsBadAlloc) throw std::bad_alloc();
        read = got;
        return false;
    }

    bool Write(const void* buffer, std::size_t count) override {
        if (m_fault != EFileFault::WriteFails || count <= m_budget) {
            if (!m_inner->Write(buffer, count)) return false;
            if (m_fault == EFileFault::WriteFails) m_budget -= count;
            return true;
        }
        const std::size_t part = m_budget;
        m_budget = 0;
        if (part > 0) m_inner->Write(buffer, part);
        return false;
    }

    bool GetLength(std::uint64_t& length) override { return m_inner->GetLength(length); }
    bool GetPosition(std::uint64_t& position) override { return m_inner->GetPosition(position); }
    bool Flush() override { return m_inner->Flush(); }

private:
    std::unique_ptr<CFile> m_inner;
    EFileFault m_fault;
    std::size_t m_budget;
};

}  // namespace

CFaultyPlatform::CFaultyPlatform(CPlatform& inner) : CPlatformWrapper(inner) {}

CFaultyPlatform::~CFaultyPlatform() = default;

void CFaultyPlatform::SetFault(EPlatformCall call, EPlatformFault fault, int times, int skip) {
    m_plans[call] = CFaultPlan{fault, fault == EPlatformFault::None ? 0 : times, skip};
}

void CFaultyPlatform::SetFileFault(EFileFault fault, std::size_t afterBytes) {
    m_fileFault = fault;
    m_fileFaultAfter = afterBytes;
}

int CFaultyPlatform::GetCallCount(EPlatformCall call) const {
    const auto found = m_calls.find(call);
    return found == m_calls.end() ? 0 : found->second;
}

EPlatformFault CFaultyPlatform::Take(EPlatformCall call) {
    ++m_calls[call];
    const auto found = m_plans.find(call);
    if (found == m_plans.end() || found->second.times == 0) return EPlatformFault::None;
    if (found->second.skip > 0) {
        --found->second.skip;
        return EPlatformFault::None;
    }
    if (found->second.times > 0) --found->second.times;
    return found->second.fault;
}

bool CFaultyPlatform::Copy(EPlatformCall call, CopyOperation copy, const std::string& source,
                           const std::string& target) {
    switch (Take(call)) {
        case EPlatformFault::None:
            return (GetTarget().*copy)(source, target);
        case EPlatformFault::FailPartWay: {
            // A folder opens but cannot be read, so the operation fails after it has begun.
            const std::string unreadable = source + ".unreadable";
            std::error_code error;
            if (!std::filesystem::create_directory(unreadable, error)) return false;
            const bool result = (GetTarget().*copy)(unreadable, target);
            std::filesystem::remove(unreadable, error);
            return result;
        }
        default:
            return false;
    }
}

std::unique_ptr<CFile> CFaultyPlatform::OpenFile(const std::string& path, EFileOpen mode) {
    const bool lock = mode == EFileOpen::WriteExclusive && path.size() >= 5 &&
                      path.compare(path.size() - 5, 5, ".lock") == 0;
    if (Take(lock ? EPlatformCall::OpenLockFile : EPlatformCall::OpenFile) !=
        EPlatformFault::None) {
        return nullptr;
    }
    std::unique_ptr<CFile> file = GetTarget().OpenFile(path, mode);
    if (!file || lock || m_fileFault == EFileFault::None) return file;
    return std::make_unique<CFaultyFile>(std::move(file), m_fileFault, m_fileFaultAfter);
}

EFileTimeResult CFaultyPlatform::GetLastWriteTimeUtc(const std::string& path, CivilTime& time) {
    switch (Take(EPlatformCall::GetLastWriteTimeUtc)) {
        case EPlatformFault::None:
            return GetTarget().GetLastWriteTimeUtc(path, time);
        case EPlatformFault::Unconvertible:
            return EFileTimeResult::Unconvertible;
        default:
            return EFileTimeResult::NotFound;
    }
}

void CFaultyPlatform::SetTempFolder(const std::string& folder) {
    m_tempFolder = folder;
}

bool CFaultyPlatform::GetTempFolder(std::string& folder) {
    if (Take(EPlatformCall::GetTempFolder) != EPlatformFault::None) return false;
    if (!m_tempFolder.empty()) {
        folder = m_tempFolder;
        return true;
    }
    return GetTarget().GetTempFolder(folder);
}

bool CFaultyPlatform::CreateTempFile(const std::string& folder, const std::string& prefix,
                                     std::string& path) {
    if (Take(EPlatformCall::CreateTempFile) != EPlatformFault::None) return false;
    return GetTarget().CreateTempFile(folder, prefix, path);
}

bool CFaultyPlatform::CopyFile(const std::string& source, const std::string& target) {
    return Copy(EPlatformCall::CopyFile, &CPlatform::CopyFile, source, target);
}

bool CFaultyPlatform::ReplaceFileWithCopy(const std::string& source, const std::string& target) {
    return Copy(EPlatformCall::ReplaceFileWithCopy, &CPlatform::ReplaceFileWithCopy, source,
                target);
}

bool CFaultyPlatform::DeleteFile(const std::string& path) {
    if (Take(EPlatformCall::DeleteFile) != EPlatformFault::None) return false;
    return GetTarget().DeleteFile(path);
}

void CFaultyPlatform::SetAppDataFolder(const std::string& folder) {
    m_appDataFolder = folder;
}

bool CFaultyPlatform::GetAppDataFolder(std::string& folder) {
    if (!m_appDataFolder.empty()) {
        folder = m_appDataFolder;
        return true;
    }
    return GetTarget().GetAppDataFolder(folder);
}
