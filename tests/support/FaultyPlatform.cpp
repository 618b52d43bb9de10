#include "support/FaultyPlatform.h"

#include <cstdlib>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

namespace {

class CFaultyFile final : public CFile {
public:
    CFaultyFile(std::unique_ptr<CFile> inner, CFaultyPlatform& platform, std::string path,
                EFileFault fault, std::size_t budget)
        : m_inner(std::move(inner)),
          m_platform(platform),
          m_path(std::move(path)),
          m_fault(fault),
          m_budget(budget) {}

    bool Read(void* buffer, std::size_t count, std::size_t& read) override {
        if (Fails(EPlatformCall::FileRead)) {
            read = 0;
            return false;
        }
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
        ECallFault fault = ECallFault::Fail;
        if (m_platform.TakeFileCall(EPlatformCall::FileWrite, m_path, fault)) {
            if (fault == ECallFault::ShortWrite && count > 1) m_inner->Write(buffer, count / 2);
            return false;
        }
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

    bool GetLength(std::uint64_t& length) override {
        return !Fails(EPlatformCall::FileGetLength) && m_inner->GetLength(length);
    }
    bool GetPosition(std::uint64_t& position) override {
        return !Fails(EPlatformCall::FileGetPosition) && m_inner->GetPosition(position);
    }
    bool Flush() override { return !Fails(EPlatformCall::FileFlush) && m_inner->Flush(); }

private:
    bool Fails(EPlatformCall call) {
        ECallFault ignored = ECallFault::Fail;
        return m_platform.TakeFileCall(call, m_path, ignored);
    }

    std::unique_ptr<CFile> m_inner;
    CFaultyPlatform& m_platform;
    const std::string m_path;
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

void CFaultyPlatform::SetFailingCall(int index, ECallFault fault) {
    m_failingCall = index;
    m_failingFault = fault;
}

bool CFaultyPlatform::TakeFileCall(EPlatformCall call, const std::string& path, ECallFault& fault) {
    fault = m_failingFault;
    return Take(call, path) != EPlatformFault::None;
}

int CFaultyPlatform::GetCallCount(EPlatformCall call) const {
    const auto found = m_calls.find(call);
    return found == m_calls.end() ? 0 : found->second;
}

EPlatformFault CFaultyPlatform::Take(EPlatformCall call, const std::string& path) {
    if (!m_recording) return EPlatformFault::None;
    ++m_calls[call];
    const bool chosen = static_cast<int>(m_log.size()) == m_failingCall;
    if (chosen && m_failingFault == ECallFault::Kill) std::_Exit(kKilledExitCode);
    m_log.push_back(CPlatformCallRecord{call, path});
    if (chosen) return EPlatformFault::Fail;
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
    switch (Take(call, target)) {
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
    const bool lock = mode == EFileOpen::Lock;
    if (Take(lock ? EPlatformCall::OpenLockFile : EPlatformCall::OpenFile, path) !=
        EPlatformFault::None) {
        return nullptr;
    }
    std::unique_ptr<CFile> file = GetTarget().OpenFile(path, mode);
    if (!file || (!m_recording && m_fileFault == EFileFault::None)) return file;
    return std::make_unique<CFaultyFile>(std::move(file), *this, path,
                                         lock ? EFileFault::None : m_fileFault, m_fileFaultAfter);
}

bool CFaultyPlatform::IsSameFile(const std::string& a, const std::string& b) {
    if (Take(EPlatformCall::IsSameFile, b) != EPlatformFault::None) return false;
    return GetTarget().IsSameFile(a, b);
}

EFileTimeResult CFaultyPlatform::GetLastWriteTimeUtc(const std::string& path, CivilTime& time) {
    switch (Take(EPlatformCall::GetLastWriteTimeUtc, path)) {
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
    if (Take(EPlatformCall::GetTempFolder, std::string()) != EPlatformFault::None) return false;
    if (!m_tempFolder.empty()) {
        folder = m_tempFolder;
        return true;
    }
    return GetTarget().GetTempFolder(folder);
}

bool CFaultyPlatform::CreateTempFile(const std::string& folder, const std::string& prefix,
                                     std::string& path) {
    if (Take(EPlatformCall::CreateTempFile, folder) != EPlatformFault::None) return false;
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
    if (Take(EPlatformCall::DeleteFile, path) != EPlatformFault::None) return false;
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

EPathKind CFaultyPlatform::GetPathKind(const std::string& path) {
    if (Take(EPlatformCall::GetPathKind, path) != EPlatformFault::None) return EPathKind::Other;
    return GetTarget().GetPathKind(path);
}
