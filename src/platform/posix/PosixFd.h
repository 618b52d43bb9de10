// A move-only owner of a POSIX file descriptor; closes it on destruction.
#pragma once

#include <unistd.h>

#include <utility>

class CPosixFd {
public:
    CPosixFd() = default;
    explicit CPosixFd(int fd) : m_fd(fd) {}
    CPosixFd(const CPosixFd&) = delete;
    CPosixFd& operator=(const CPosixFd&) = delete;
    CPosixFd(CPosixFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CPosixFd& operator=(CPosixFd&& other) noexcept {
        if (this != &other) {
            Close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    ~CPosixFd() { Close(); }

    bool IsValid() const { return m_fd >= 0; }
    int Get() const { return m_fd; }
    // Closes the descriptor; false when close(2) reports an error (a lost write).
    bool Close() {
        if (m_fd < 0) return true;
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd = -1;
};
