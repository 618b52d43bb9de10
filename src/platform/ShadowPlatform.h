// A platform that reads the file system but keeps every change in memory: for a run that must
// show what it would do and change nothing (a dry run). What the run writes, copies, replaces
// or deletes it sees again through this object; nobody else sees it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/PlatformWrapper.h"

// A path is known by its text: the run must name a file the same way throughout (it does: it
// takes its paths once). Shadowed are the files that were opened for writing, copied onto,
// replaced or deleted, and the folders made; every other path is read from the wrapped
// platform as it stands at the moment.
//
// Temporary files are made for real, empty and uniquely named, so that another writer that
// works beside the platform (a download into its target file) can fill them; what the run
// writes into them itself stays in memory, and deleting them deletes them for real. Those
// still there when the object ends are deleted then.
//
// Not done at all: taking a lock (the lock file opens in memory, so no other holder is waited
// for or stopped), changing modes (RestrictToOwner succeeds without touching the file),
// removing stale temporary files.
class CShadowPlatform : public CPlatformWrapper {
public:
    // REQUIRES: `target` outlives this object.
    explicit CShadowPlatform(CPlatform& target) : CPlatformWrapper(target) {}
    // Uninstalls first when installed, then deletes the temporary files it made.
    ~CShadowPlatform() override;

    // Makes this object CPlatform::Current(), for code that reaches the platform that way;
    // Uninstall (or destruction) puts back what was current before.
    void Install();
    void Uninstall();

    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override;
    EFileTimeResult GetLastWriteTimeUtc(const std::string& path, CivilTime& time) override;
    bool CreateTempFile(const std::string& folder, const std::string& prefix,
                        std::string& path) override;
    bool CopyFile(const std::string& source, const std::string& target) override;
    bool ReplaceFileWithCopy(const std::string& source, const std::string& target) override;
    bool DeleteFile(const std::string& path) override;
    void RemoveStaleTempFiles(const std::string&) override {}
    bool FileExists(const std::string& path) override;
    EPathKind GetPathKind(const std::string& path) override;
    bool CreateDirectory(const std::string& path) override;
    bool RestrictToOwner(const std::string&) override { return true; }
    bool IsReadableByOthers(const std::string& path) override;

private:
    using Bytes = std::vector<std::uint8_t>;
    // A file opened for writing: its bytes become the path's when it is closed.
    class CWrittenFile;

    // The content of `path` as the run sees it; false when it cannot be read.
    bool ReadAll(const std::string& path, Bytes& bytes);
    // Whether a file could be written at `path` as far as its kind tells: not where a folder,
    // a device or the like stands.
    bool IsWritablePath(const std::string& path);

    // Per shadowed path its bytes, or nullopt once deleted.
    std::map<std::string, std::optional<Bytes>> m_files;
    std::set<std::string> m_folders;
    // The real temporary files made and not yet deleted.
    std::set<std::string> m_temps;
    CPlatform* m_previous = nullptr;
    bool m_installed = false;
};
