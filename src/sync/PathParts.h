// Splitting a file path into root, directory, name and extension, replacing one part and
// joining them again.
#pragma once

#include <string>

class CPlatform;

// A path in the ANSI code page, split on first use. The root is the prefix ("", "\\",
// "\\?\" or "\\?\UNC\") followed by the drive ("C:\") or the server and share
// ("srv\share\"); the directory holds the folders between root and file name, each followed
// by a separator. Searches are double-byte aware: the trail byte of a double-byte character
// never counts as a separator or a dot.
//
// Folder separators are the backslash and, where the platform's own separator is another
// character (the slash on Linux), that character too. A path that starts with such a
// separator is rooted: its root is that separator alone, so /data/events.dat splits into
// "/" | "data/" | "events" | "dat". The prefixes "\\", "\\?\" and "\\?\UNC\" are recognised
// with backslashes only.
//
// After Split, m_strRoot + m_strDir + GetFileName() gives m_strPath back, except that a dot
// ending the path is dropped and a UNC path without a share part loses its server name.
class CPathParts {
public:
    // All parts empty, flags false. The platform supplies its separator and the lead bytes
    // of its code page. REQUIRES: `platform` outlives the object and its copies.
    explicit CPathParts(CPlatform& platform) : m_pPlatform(&platform) {}
    // m_strPath = path; the parts are split on first use.
    CPathParts(CPlatform& platform, const std::string& path);
    CPathParts(const CPathParts&) = default;
    CPathParts& operator=(const CPathParts&) = default;
    virtual ~CPathParts() = default;

    // Splits m_strPath into the parts unless it equals (case-sensitively) the text the
    // parts were last split from.
    void Split();
    // The name followed by "." and the extension when the extension is not empty.
    std::string GetFileName();
    // m_strPath = root + directory + file name; the parts count as split from it.
    void Rebuild();
    // Replaces the extension (given without its dot) and rebuilds the path.
    void SetExtension(const std::string& ext);
    const std::string& GetPath() const { return m_strPath; }

    std::string m_strPath;
    bool m_bUnc = false;       // "\\server..." or "\\?\UNC\..."
    bool m_bRelative = false;  // neither "\\..." nor a drive with ":\" nor a rooted path
    std::string m_strRoot;
    std::string m_strDir;
    std::string m_strName;
    std::string m_strExt;  // without the dot
    std::string m_strSplitFrom;

private:
    CPlatform* m_pPlatform;  // never null; a pointer so that the parts stay assignable
};
