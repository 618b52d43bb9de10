#include "platform/posix/PosixFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool CPosixFile::Read(void* buffer, std::size_t count, std::size_t& read) {
    read = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (read < count) {
        const ssize_t got = ::read(m_fd.Get(), bytes + read, count - read);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        read += static_cast<std::size_t>(got);
    }
    return true;
}

bool CPosixFile::Write(const void* buffer, std::size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_fd.Get(), bytes + done, count - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool CPosixFile::GetLength(std::uint64_t& length) {
    struct stat st {};
    if (fstat(m_fd.Get(), &st) != 0) return false;
    length = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool CPosixFile::GetPosition(std::uint64_t& position) {
    const off_t pos = lseek(m_fd.Get(), 0, SEEK_CUR);
    if (pos < 0) return false;
    position = static_cast<std::uint64_t>(pos);
    return true;
}

bool CPosixFile::Flush() {
    return fsync(m_fd.Get()) == 0;
}
