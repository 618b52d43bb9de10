// Every operating-system service the core needs, behind one interface. Exactly one
// implementation is built: win32/Win32Platform.cpp or posix/PosixPlatform.cpp.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/File.h"
#include "platform/FolderWatch.h"

// A calendar date and time of day to the second, as the system clock or the file system
// reports it.
struct CivilTime {
    int year = 1;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Locale texts used by the date-time formatter. Day indices run 0 = Monday .. 6 = Sunday,
// month indices 0 = January .. 11 = December; the AM/PM designators take index 0.
enum class ELocaleText {
    AbbrevDayName,
    DayName,
    AbbrevMonthName,
    MonthName,
    AmDesignator,
    PmDesignator
};

enum class EFileOpen {
    Read,            // read only, shared with other openers
    ReadExclusive,   // read only, no other opener at the same time (fails when one exists)
    WriteExclusive,  // write only, created or truncated, no sharing
    // The lock file beside an event file: write only, created or truncated, no sharing.
    // Never followed through a link and refused unless a regular file; truncated only once
    // exclusive use is granted; refused when, once granted, the open file is no longer the
    // one at the path (another holder deleted it while this open waited).
    Lock,
};

// What a path names, the path itself looked at (a link is not followed).
enum class EPathKind {
    Missing,  // nothing is there (or the folder above it is missing)
    File,     // a regular file
    Link,     // a symbolic link or another redirection, whatever it names
    Folder,
    Other,  // a device, a FIFO, a socket, or something that cannot be looked at
};

enum class EFileTimeResult {
    Ok,
    NotFound,      // the directory entry cannot be read
    Unconvertible  // the time stamp cannot be turned into calendar fields
};

class CPlatform {
public:
    CPlatform() = default;
    CPlatform(const CPlatform&) = delete;
    CPlatform& operator=(const CPlatform&) = delete;
    virtual ~CPlatform() = default;

    // The implementation compiled into this build.
    static CPlatform& Default();
    // The platform the core uses: Default() unless a test installed another one.
    static CPlatform& Current();
    // Installs `platform` as Current(); nullptr restores Default(). REQUIRES: `platform`
    // outlives its installation.
    static void SetCurrent(CPlatform* platform);

    // --- Clock, locale, identity, text ---
    // Local wall-clock time, milliseconds dropped.
    virtual CivilTime GetLocalTime() = 0;
    // A locale text for the user's default locale (see ELocaleText for the index).
    virtual std::string GetLocaleText(ELocaleText item, int index) = 0;
    // A new GUID as 38 characters: braces, 8-4-4-4-12 upper-case hex digits. The all-zero
    // GUID text when the generator fails.
    virtual std::string CreateGuidString() = 0;
    // True when `c` starts a double-byte character in the ANSI code page.
    virtual bool IsLeadByte(unsigned char c) = 0;
    // Converts UTF-16 text to the ANSI code page (unrepresentable characters become '?').
    virtual std::string WideToAnsi(const std::u16string& text) = 0;
    // Converts UTF-8 text to the ANSI code page: characters the code page lacks, and bytes
    // that are no well-formed UTF-8, become '?'.
    virtual std::string Utf8ToAnsi(const std::string& text) = 0;
    // Converts ANSI text to UTF-8, for showing it where UTF-8 is expected.
    virtual std::string AnsiToUtf8(const std::string& text) = 0;
    // The character that separates folders in a path on this system.
    virtual char PathSeparator() = 0;
    // True when two paths name the same file by their text (letter case ignored where
    // the file system ignores it).
    virtual bool SamePathText(const std::string& a, const std::string& b) = 0;

    // --- Files ---
    // Opens `path`; nullptr on failure. Never blocks: a path that is not a regular file
    // (a folder, a FIFO, a device) is refused.
    virtual std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) = 0;
    // True when both paths name one existing file, however they reach it (the same text, a
    // hard link, a symbolic link); false when they differ or either cannot be looked up.
    virtual bool IsSameFile(const std::string& a, const std::string& b) = 0;
    // Last-write time of the file's directory entry, in UTC, to the second.
    virtual EFileTimeResult GetLastWriteTimeUtc(const std::string& path, CivilTime& time) = 0;
    // The system's folder for temporary files, ending with a separator.
    virtual bool GetTempFolder(std::string& folder) = 0;
    // Creates a new, empty, uniquely named file in `folder` whose name begins with `prefix`
    // (1 to 8 ASCII letters) followed by the process's tag (CTempNames), readable by its owner
    // alone where the system has such modes.
    virtual bool CreateTempFile(const std::string& folder, const std::string& prefix,
                                std::string& path) = 0;
    // Copies `source` over `target`, overwriting it.
    virtual bool CopyFile(const std::string& source, const std::string& target) = 0;
    // Replaces `target` by a copy of `source` in one step: the copy is written beside
    // `target`, flushed to disk and moved over it. On failure `target` is exactly as it was
    // and no stray file remains. Fails when `target` is write-protected or not a regular file.
    // A `target` that is a link stays one: the file it names is replaced. The replaced file
    // keeps its mode, and its owner and group where the process may set them. The staging
    // file has a name of its own per writer (CTempNames), so that concurrent replaces of one
    // target never remove each other's; one that a process which no longer runs left behind
    // is removed by the next replace of that target.
    virtual bool ReplaceFileWithCopy(const std::string& source, const std::string& target) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    // Deletes the files that CreateTempFile made in `folder` for processes that no longer run
    // (killed before they could delete them); those of running processes stay.
    virtual void RemoveStaleTempFiles(const std::string& folder) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // What `path` itself is, without following a link.
    virtual EPathKind GetPathKind(const std::string& path) = 0;
    // Creates one folder level.
    virtual bool CreateDirectory(const std::string& path) = 0;
    // Makes the file or folder at `path` (not a link) readable and writable by its owner alone
    // where the system has such modes (0600, a folder 0700); true where it has none.
    virtual bool RestrictToOwner(const std::string& path) = 0;
    // True when users other than the owner may read the file at `path` by its mode.
    virtual bool IsReadableByOthers(const std::string& path) = 0;
    // Encrypts `secret` for the current user alone (Windows' DPAPI) into `stored`, text fit
    // for a settings file; false where the system keeps no such secrets, which then stay in
    // files readable by their owner alone.
    virtual bool ProtectSecret(const std::string& secret, std::string& stored) = 0;
    // The secret that ProtectSecret stored; false when it cannot be decrypted (another user's,
    // damaged) or the system keeps no secrets.
    virtual bool UnprotectSecret(const std::string& stored, std::string& secret) = 0;
    // The user's application-data (configuration) folder; false when none can be named.
    virtual bool GetAppDataFolder(std::string& folder) = 0;

    // Starts watching the entries of `folder` for changes; nullptr, with a short `reason`,
    // where the system gives no notifications for it (no such service, a folder that does
    // not exist or cannot be watched, no watches left). Platforms without the service keep
    // this default, which always declines.
    virtual std::unique_ptr<CFolderWatch> WatchFolder(const std::string& folder,
                                                      std::string& reason);

    // --- Memory ---
    // A hint about the `size` bytes at `data`, about to be filled for the first time: where
    // the system can back them with large pages, a buffer of many megabytes then costs a few
    // page faults instead of one per 4 KiB page. Changes no byte; may do nothing.
    virtual void AdviseLargeBuffer(void* data, std::size_t size) = 0;

    // The system's data for the time zone `name` (an IANA name such as "Europe/Berlin") in the
    // TZif form (RFC 8536): the zoneinfo file where the system keeps them, else a TZif text with
    // the zone's current yearly rule in its footer (CTzifText). False for an unknown zone and for
    // anything that is not a plain zone name (CTzifText::IsZoneName): names come from files.
    virtual bool ReadZoneData(const std::string& name, std::string& tzif) = 0;
    // The same for the machine's local zone, the one its wall-clock times are in (on Linux
    // what localtime would use: TZ, else /etc/localtime). False when it cannot be read.
    virtual bool ReadLocalZoneData(std::string& tzif) = 0;
};
