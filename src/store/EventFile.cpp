#include "store/EventFile.h"

#include <memory>
#include <new>
#include <string>
#include <utility>

#include "archive/Archive.h"
#include "platform/FileRemover.h"
#include "platform/Platform.h"
#include "store/EventData.h"

namespace {

bool WriteArchive(CPlatform& platform, const std::string& path, const CEventData& data) {
    std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::WriteExclusive);
    if (file == nullptr) return false;
    try {
        CArchive ar(*file, CArchive::store);
        data.Save(ar);
    } catch (const CArchiveException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    // No flush to disk: this file is only the source of the replace, which flushes its copy.
    return true;
}

}  // namespace

bool CEventFile::Load(CPlatform& platform, const std::string& path, CEventData& data,
                      std::string& error) {
    std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::Read);
    if (file == nullptr) {
        error = "cannot open " + path;
        return false;
    }
    try {
        CArchive ar(*file, CArchive::load);
        data.Load(ar);
    } catch (const CArchiveException& e) {
        if (e.GetCause() == CArchiveException::genericException) {
            error = "cannot read " + path;
        } else {
            error = "cause " + std::to_string(e.GetCause()) + ": " + e.GetErrorMessage(path);
        }
        return false;
    } catch (const std::bad_alloc&) {
        error = "not enough memory to load " + path;
        return false;
    }
    return true;
}

bool CEventFile::Save(CPlatform& platform, const std::string& path, const CEventData& data,
                      std::string& error) {
    error = "cannot write " + path;
    std::string folder;
    std::string tempPath;
    if (!platform.GetTempFolder(folder) || !platform.CreateTempFile(folder, "dat", tempPath)) {
        return false;
    }
    const CFileRemover guard(platform, std::move(tempPath));
    if (!WriteArchive(platform, guard.GetPath(), data) ||
        !platform.ReplaceFileWithCopy(guard.GetPath(), path)) {
        return false;
    }
    error.clear();
    return true;
}
