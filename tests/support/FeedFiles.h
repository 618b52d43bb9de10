// Text files for one test in a fresh temporary folder, written and read as exact bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/TempFolder.h"

class CFeedFiles {
public:
    // The folder, ending with the system's separator.
    const std::string& Folder() const { return m_folder.GetPath(); }
    std::string Path(const std::string& name) const { return m_folder.File(name); }

    // Writes `bytes` exactly and returns the file's path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = Path(name);
        CTempFolder::WriteBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        return path;
    }
    // Empty when the file cannot be read.
    std::string Read(const std::string& name) const {
        const std::vector<std::uint8_t> bytes = CTempFolder::ReadBytes(Path(name));
        return std::string(bytes.begin(), bytes.end());
    }
    bool Exists(const std::string& name) const { return CTempFolder::Exists(Path(name)); }

private:
    CTempFolder m_folder;
};
