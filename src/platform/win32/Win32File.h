// CFile over a Win32 file handle.
#pragma once

#include "platform/File.h"
#include "platform/win32/Win32Handle.h"

class CWin32File final : public CFile {
public:
    explicit CWin32File(CWin32Handle handle) : m_handle(std::move(handle)) {}

    // Takes `handle` over, closing the one held so far. Lets a file object be made before the
    // file is opened, so that no allocation can fail once a file has been created.
    void Attach(CWin32Handle handle) { m_handle = std::move(handle); }

    bool Read(void* buffer, std::size_t count, std::size_t& read) override;
    bool Write(const void* buffer, std::size_t count) override;
    bool GetLength(std::uint64_t& length) override;
    bool GetPosition(std::uint64_t& position) override;
    bool Flush() override;

private:
    CWin32Handle m_handle;
};
