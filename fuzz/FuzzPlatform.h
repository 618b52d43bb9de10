// The platform the fuzz targets run on: the real one, except a fixed clock (so that an input
// always takes the same path), a choice of code page, and one file held in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/PlatformWrapper.h"

class CFuzzPlatform : public CPlatformWrapper {
public:
    // Installs itself as CPlatform::Current() for its lifetime.
    CFuzzPlatform();
    ~CFuzzPlatform() override;

    // The clock reads `now` from here on.
    void SetNow(const CivilTime& now) { m_now = now; }
    // True: a double-byte code page whose lead bytes are 0x81-0x9F and 0xE0-0xFC (as in
    // Shift JIS); false: a single-byte code page.
    void SetDoubleByte(bool doubleByte) { m_doubleByte = doubleByte; }
    // Opening `path` in any mode gives a file in memory that starts with `bytes`.
    void SetMemoryFile(const std::string& path, const std::string& bytes);

    CivilTime GetLocalTime() override { return m_now; }
    bool IsLeadByte(unsigned char c) override;
    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override;

private:
    CivilTime m_now;
    bool m_doubleByte = false;
    std::string m_memoryPath;
    std::vector<std::uint8_t> m_memoryBytes;
};
