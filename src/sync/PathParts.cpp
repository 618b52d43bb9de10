#include "sync/PathParts.h"

#include "platform/Platform.h"

namespace {

// Positions of separators and dots in one pass over multibyte text.
struct CSeparatorScan {
    std::string::size_type firstSep = std::string::npos;
    std::string::size_type secondSep = std::string::npos;
    std::string::size_type lastSep = std::string::npos;
    std::string::size_type lastDot = std::string::npos;
};

bool IsSeparator(char c, char platformSeparator) {
    return c == '\\' || (platformSeparator != '\\' && c == platformSeparator);
}

CSeparatorScan Scan(const std::string& text, CPlatform& platform, char platformSeparator) {
    CSeparatorScan scan;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (platform.IsLeadByte(static_cast<unsigned char>(c))) {
            ++i;  // the trail byte is part of this character
            continue;
        }
        if (IsSeparator(c, platformSeparator)) {
            if (scan.firstSep == std::string::npos) {
                scan.firstSep = i;
            } else if (scan.secondSep == std::string::npos) {
                scan.secondSep = i;
            }
            scan.lastSep = i;
        } else if (c == '.') {
            scan.lastDot = i;
        }
    }
    return scan;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

}  // namespace

CPathParts::CPathParts(CPlatform& platform, const std::string& path)
    : m_strPath(path), m_pPlatform(&platform) {}

void CPathParts::Split() {
    if (m_strPath == m_strSplitFrom) return;
    m_strSplitFrom = m_strPath;
    m_bUnc = false;
    m_bRelative = false;
    m_strRoot.clear();
    m_strDir.clear();
    m_strName.clear();
    m_strExt.clear();

    CPlatform& platform = *m_pPlatform;
    const char platformSeparator = platform.PathSeparator();
    std::string work = m_strPath;
    std::string prefix;

    if (StartsWith(work, "\\\\")) {
        prefix = "\\\\";
        if (!StartsWith(work, "\\\\?\\")) {
            m_bUnc = true;
            work.erase(0, 2);
        } else if (!StartsWith(work, "\\\\?\\UNC\\")) {
            prefix = "\\\\?\\";
            work.erase(0, 4);
        } else {
            prefix = "\\\\?\\UNC\\";
            m_bUnc = true;
            work.erase(0, 8);
        }
    } else {
        const bool drive = work.size() >= 3 && work[1] == ':' && work[2] == '\\';
        const bool rooted =
            platformSeparator != '\\' && !work.empty() && work[0] == platformSeparator;
        m_bRelative = !drive && !rooted;
    }

    CSeparatorScan scan = Scan(work, platform, platformSeparator);
    if (scan.lastDot != std::string::npos &&
        (scan.lastSep == std::string::npos || scan.lastSep < scan.lastDot)) {
        m_strExt = work.substr(scan.lastDot + 1);
        work.erase(scan.lastDot);
    }

    if (scan.lastSep == std::string::npos) {
        m_strName = work;
        return;
    }
    m_strName = work.substr(scan.lastSep + 1);
    if (m_bRelative) {
        m_strDir = work.substr(0, scan.lastSep + 1);
    } else if (m_bUnc) {
        if (scan.secondSep == std::string::npos) {
            m_strRoot = prefix;
        } else {
            m_strRoot = prefix + work.substr(0, scan.secondSep + 1);
            m_strDir = work.substr(scan.secondSep + 1, scan.lastSep - scan.secondSep);
        }
    } else {
        m_strRoot = prefix + work.substr(0, scan.firstSep + 1);
        m_strDir = work.substr(scan.firstSep + 1, scan.lastSep - scan.firstSep);
    }
}

std::string CPathParts::GetFileName() {
    Split();
    if (m_strExt.empty()) return m_strName;
    return m_strName + "." + m_strExt;
}

void CPathParts::Rebuild() {
    const std::string fileName = GetFileName();  // may split, so before reading the parts
    m_strPath = m_strRoot + m_strDir + fileName;
    m_strSplitFrom = m_strPath;
}

void CPathParts::SetExtension(const std::string& ext) {
    Split();
    m_strExt = ext;
    Rebuild();
}
