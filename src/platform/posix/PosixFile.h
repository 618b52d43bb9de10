// CFile over a POSIX file descriptor.
#pragma once

#include "platform/File.h"
#include "platform/posix/PosixFd.h"

class CPosixFile final : public CFile {
public:
    explicit CPosixFile(CPosixFd fd) : m_fd(std::move(fd)) {}

    // Takes `fd` over, closing the descriptor held so far. Lets a file object be made before
    // the file is opened, so that no allocation can fail once a file has been created.
    void Attach(CPosixFd fd) { m_fd = std::move(fd); }

    bool Read(void* buffer, std::size_t count, std::size_t& read) override;
    bool Write(const void* buffer, std::size_t count) override;
    bool GetLength(std::uint64_t& length) override;
    bool GetPosition(std::uint64_t& position) override;
    bool Flush() override;

private:
    CPosixFd m_fd;
};
