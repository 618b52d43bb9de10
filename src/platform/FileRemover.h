// Deletes a file through the current platform when it goes out of scope: the temporary files
// that one operation creates and must not leave behind on any way out of it.
#pragma once

#include <string>
#include <utility>

#include "platform/Platform.h"

class CFileRemover {
public:
    // Moving the path in allocates nothing, so nothing can fail between creating the file
    // and guarding it.
    explicit CFileRemover(std::string path) : m_path(std::move(path)) {}
    CFileRemover(const CFileRemover&) = delete;
    CFileRemover& operator=(const CFileRemover&) = delete;
    ~CFileRemover() { CPlatform::Current().DeleteFile(m_path); }

    const std::string& GetPath() const { return m_path; }

private:
    const std::string m_path;
};
