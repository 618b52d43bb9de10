// An open file, as the core sees it: sequential reads and writes on a handle that the
// platform opened. Closing happens in the destructor; a closed file is never observable.
#pragma once

#include <cstddef>
#include <cstdint>

class CFile {
public:
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile() = default;

    // Reads up to `count` bytes at the current position into `buffer`; `read` receives the
    // number of bytes read (0 at the end of the file). False on a file-system error.
    virtual bool Read(void* buffer, std::size_t count, std::size_t& read) = 0;
    // Writes all `count` bytes at the current position. False on a file-system error
    // (including a short write).
    virtual bool Write(const void* buffer, std::size_t count) = 0;
    // Length of the file in bytes.
    virtual bool GetLength(std::uint64_t& length) = 0;
    // Current position in bytes from the start of the file.
    virtual bool GetPosition(std::uint64_t& position) = 0;
    // Forces written data to the storage device.
    virtual bool Flush() = 0;
};
