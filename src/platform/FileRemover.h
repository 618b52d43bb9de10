// Deletes a file when it goes out of scope: the temporary files that one operation creates
// and must not leave behind on any way out of it.
#pragma once

#include <string>
#include <utility>

#include "platform/Platform.h"

class CFileRemover {
public:
    // Moving the path in allocates nothing, so nothing can fail between creating the file
    // and guarding it. REQUIRES: `platform` outlives the remover.
    CFileRemover(CPlatform& platform, std::string path)
        : m_platform(platform), m_path(std::move(path)) {}
    CFileRemover(const CFileRemover&) = delete;
    CFileRemover& operator=(const CFileRemover&) = delete;
    ~CFileRemover() { m_platform.DeleteFile(m_path); }

    const std::string& GetPath() const { return m_path; }

private:
    CPlatform& m_platform;
    const std::string m_path;
};
