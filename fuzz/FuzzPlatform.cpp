#include "FuzzPlatform.h"

#include "platform/MemoryFile.h"

CFuzzPlatform::CFuzzPlatform() : CPlatformWrapper(CPlatform::Default()) {
    m_now.year = 2026;
    m_now.month = 6;
    m_now.day = 15;
    m_now.hour = 12;
    CPlatform::SetCurrent(this);
}

CFuzzPlatform::~CFuzzPlatform() {
    CPlatform::SetCurrent(nullptr);
}

void CFuzzPlatform::SetMemoryFile(const std::string& path, const std::string& bytes) {
    m_memoryPath = path;
    m_memoryBytes.assign(bytes.begin(), bytes.end());
}

bool CFuzzPlatform::IsLeadByte(unsigned char c) {
    return m_doubleByte && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

std::unique_ptr<CFile> CFuzzPlatform::OpenFile(const std::string& path, EFileOpen mode) {
    if (!m_memoryPath.empty() && path == m_memoryPath) {
        return std::make_unique<CMemoryFile>(m_memoryBytes);
    }
    return CPlatformWrapper::OpenFile(path, mode);
}
