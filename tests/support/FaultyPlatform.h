// A platform that forwards every call to another one and can make chosen calls fail, to
// drive the failure paths of file operations on real files.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "platform/PlatformWrapper.h"

enum class EPlatformCall {
    GetLastWriteTimeUtc,
    GetTempFolder,
    CreateTempFile,
    OpenLockFile,  // a WriteExclusive open of a path whose name ends in ".lock"
    OpenFile,      // any other open
    CopyFile,
    ReplaceFileWithCopy,
    DeleteFile,
};

enum class EPlatformFault {
    None,
    // The call fails without reaching the wrapped platform.
    Fail,
    // CopyFile and ReplaceFileWithCopy only: the wrapped platform runs the call with a
    // source that opens but cannot be read (a folder), so the operation fails after it has
    // begun; on Linux the replace has then created its sibling file. Other calls: Fail.
    FailPartWay,
    // GetLastWriteTimeUtc only: the entry is found but its time cannot be converted.
    Unconvertible,
};

// Faults of the files that OpenFile hands out (lock files excepted), counted in bytes from
// the open: the transfer that would pass the budget moves the bytes up to it and then fails.
enum class EFileFault {
    None,
    ReadFails,           // Read returns false, as on a device error
    WriteFails,          // Write returns false, as on a full disk
    ReadThrowsBadAlloc,  // Read throws std::bad_alloc, as when memory runs out
};

class CFaultyPlatform : public CPlatformWrapper {
public:
    // REQUIRES: `inner` outlives this object.
    explicit CFaultyPlatform(CPlatform& inner);
    ~CFaultyPlatform() override;

    // Makes GetTempFolder report `folder` (ending with a separator) instead of the system's;
    // an empty text restores the system's.
    void SetTempFolder(const std::string& folder);

    // After letting `skip` calls of `call` through, makes the next `times` calls fail with
    // `fault` (every call when `times` is negative); EPlatformFault::None clears it.
    void SetFault(EPlatformCall call, EPlatformFault fault, int times = -1, int skip = 0);
    // Makes GetAppDataFolder report `folder` instead of the user's; an empty text restores
    // the user's.
    void SetAppDataFolder(const std::string& folder);
    // Gives every file opened from now on (lock files excepted) the fault `fault` after
    // `afterBytes` bytes; EFileFault::None stops it.
    void SetFileFault(EFileFault fault, std::size_t afterBytes = 0);
    // Calls made so far, failed ones included.
    int GetCallCount(EPlatformCall call) const;

    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override;
    EFileTimeResult GetLastWriteTimeUtc(const std::string& path, CivilTime& time) override;
    bool GetTempFolder(std::string& folder) override;
    bool CreateTempFile(const std::string& folder, const std::string& prefix,
                        std::string& path) override;
    bool CopyFile(const std::string& source, const std::string& target) override;
    bool ReplaceFileWithCopy(const std::string& source, const std::string& target) override;
    bool DeleteFile(const std::string& path) override;
    bool GetAppDataFolder(std::string& folder) override;

private:
    struct CFaultPlan {
        EPlatformFault fault = EPlatformFault::None;
        int times = 0;  // negative: every call
        int skip = 0;
    };

    using CopyOperation = bool (CPlatform::*)(const std::string& source, const std::string& target);

    // Counts the call and returns the fault to inject into it, if any.
    EPlatformFault Take(EPlatformCall call);
    // CopyFile and ReplaceFileWithCopy: `copy` on the wrapped platform, with the fault
    // planned for `call`.
    bool Copy(EPlatformCall call, CopyOperation copy, const std::string& source,
              const std::string& target);

    std::map<EPlatformCall, CFaultPlan> m_plans;
    std::map<EPlatformCall, int> m_calls;
    std::string m_tempFolder;
    std::string m_appDataFolder;
    EFileFault m_fileFault = EFileFault::None;
    std::size_t m_fileFaultAfter = 0;
};
