// A fresh, empty folder for one test's real files, removed with everything in it at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CTempFolder {
public:
    // Creates a new folder under the system's temporary folder; GetPath() is empty when
    // none could be created.
    CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    // Makes its files writable again and removes the folder with its content.
    ~CTempFolder();

    // The folder, ending with the system's separator.
    const std::string& GetPath() const { return m_path; }
    // GetPath() + name.
    std::string File(const std::string& name) const { return m_path + name; }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> List() const;

    static bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
    // Empty when the file cannot be read.
    static std::vector<std::uint8_t> ReadBytes(const std::string& path);
    static bool Exists(const std::string& path);

private:
    std::string m_path;
};
