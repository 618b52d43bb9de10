#include "platform/win32/Win32File.h"

#include <algorithm>

namespace {
// ReadFile and WriteFile take a 32-bit count; larger requests go in pieces.
constexpr std::size_t kMaxChunk = 0x40000000;
}  // namespace

bool CWin32File::Read(void* buffer, std::size_t count, std::size_t& read) {
    read = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (read < count) {
        const DWORD want = static_cast<DWORD>(std::min(count - read, kMaxChunk));
        DWORD got = 0;
        if (!::ReadFile(m_handle.Get(), bytes + read, want, &got, nullptr)) return false;
        if (got == 0) break;
        read += got;
    }
    return true;
}

bool CWin32File::Write(const void* buffer, std::size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const DWORD want = static_cast<DWORD>(std::min(count - done, kMaxChunk));
        DWORD put = 0;
        if (!::WriteFile(m_handle.Get(), bytes + done, want, &put, nullptr) || put == 0) {
            return false;
        }
        done += put;
    }
    return true;
}

bool CWin32File::GetLength(std::uint64_t& length) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_handle.Get(), &size)) return false;
    length = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

bool CWin32File::GetPosition(std::uint64_t& position) {
    LARGE_INTEGER zero{};
    LARGE_INTEGER current{};
    if (!::SetFilePointerEx(m_handle.Get(), zero, &current, FILE_CURRENT)) return false;
    position = static_cast<std::uint64_t>(current.QuadPart);
    return true;
}

bool CWin32File::Flush() {
    return ::FlushFileBuffers(m_handle.Get()) != FALSE;
}
