// A platform that forwards every call to another one and can make chosen calls fail, to
// drive the failure paths of file operations on real files.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/PlatformWrapper.h"

enum class EPlatformCall {
    GetLastWriteTimeUtc,
    GetTempFolder,
    CreateTempFile,
    OpenLockFile,  // an open with EFileOpen::Lock
    OpenFile,      // any other open
    CopyFile,
    ReplaceFileWithCopy,
    DeleteFile,
    IsSameFile,
    GetPathKind,  // fails as a path that cannot be looked at (EPathKind::Other)
    // Calls on a file that OpenFile handed out.
    FileRead,
    FileWrite,
    FileGetLength,
    FileGetPosition,
    FileFlush,
};

// One call as the call log holds it.
struct CPlatformCallRecord {
    EPlatformCall call;
    // The path the call names: for CopyFile and ReplaceFileWithCopy the target, for a call on
    // a file the path it was opened by; empty for calls without a path.
    std::string path;
};

// How the one call chosen by SetFailingCall fails.
enum class ECallFault {
    Fail,        // the call fails as a refused or broken operation does; a write writes nothing,
                 // as on a full disk
    ShortWrite,  // FileWrite only: part of the bytes are written, then the write fails
    // The process ends at once, before the call, as a kill would end it: no destructor runs,
    // no file is closed by the program or deleted. Exit code kKilledExitCode.
    Kill,
};

constexpr int kKilledExitCode = 137;

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
    // With false, calls are neither counted nor logged nor failed, so that the platform makes
    // no allocation of its own (for tests that fail allocations); true by default.
    void SetRecording(bool recording) { m_recording = recording; }
    // Every call made so far, in order, failed ones included.
    const std::vector<CPlatformCallRecord>& GetCallLog() const { return m_log; }
    // Makes the call with the position `index` in the call log (0 = the first call made
    // through this object) fail with `fault`; a negative index clears it.
    void SetFailingCall(int index, ECallFault fault = ECallFault::Fail);
    // Counts and logs a call on a file handed out by OpenFile; true when it is to fail,
    // `fault` then telling how.
    bool TakeFileCall(EPlatformCall call, const std::string& path, ECallFault& fault);

    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override;
    bool IsSameFile(const std::string& a, const std::string& b) override;
    EFileTimeResult GetLastWriteTimeUtc(const std::string& path, CivilTime& time) override;
    bool GetTempFolder(std::string& folder) override;
    bool CreateTempFile(const std::string& folder, const std::string& prefix,
                        std::string& path) override;
    bool CopyFile(const std::string& source, const std::string& target) override;
    bool ReplaceFileWithCopy(const std::string& source, const std::string& target) override;
    bool DeleteFile(const std::string& path) override;
    EPathKind GetPathKind(const std::string& path) override;
    bool GetAppDataFolder(std::string& folder) override;

private:
    struct CFaultPlan {
        EPlatformFault fault = EPlatformFault::None;
        int times = 0;  // negative: every call
        int skip = 0;
    };

    using CopyOperation = bool (CPlatform::*)(const std::string& source, const std::string& target);

    // Counts and logs the call and returns the fault to inject into it, if any.
    EPlatformFault Take(EPlatformCall call, const std::string& path);
    // CopyFile and ReplaceFileWithCopy: `copy` on the wrapped platform, with the fault
    // planned for `call`.
    bool Copy(EPlatformCall call, CopyOperation copy, const std::string& source,
              const std::string& target);

    std::map<EPlatformCall, CFaultPlan> m_plans;
    std::map<EPlatformCall, int> m_calls;
    std::vector<CPlatformCallRecord> m_log;
    int m_failingCall = -1;
    bool m_recording = true;
    ECallFault m_failingFault = ECallFault::Fail;
    std::string m_tempFolder;
    std::string m_appDataFolder;
    EFileFault m_fileFault = EFileFault::None;
    std::size_t m_fileFaultAfter = 0;
};
