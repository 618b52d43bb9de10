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
    // Makes a symbolic link at `link` whose text is `target`. Where none can be made, false:
    // on Windows (no right to make one; Wine cannot at all) after a note that the caller's
    // link cases are not run, elsewhere as a test failure.
    static bool MakeSymbolicLink(const std::string& target, const std::string& link);

private:
    std::string m_path;
};
