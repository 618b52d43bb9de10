// A move-only owner of a Win32 kernel HANDLE (file handles and the like); closes it on
// destruction.
#pragma once

#include <utility>

#include "platform/win32/Win32Api.h"

class CWin32Handle {
public:
    CWin32Handle() = default;
    // Takes ownership of `handle`; INVALID_HANDLE_VALUE and nullptr both mean "none".
    explicit CWin32Handle(HANDLE handle) : m_handle(handle) {}
    CWin32Handle(const CWin32Handle&) = delete;
    CWin32Handle& operator=(const CWin32Handle&) = delete;
    CWin32Handle(CWin32Handle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    CWin32Handle& operator=(CWin32Handle&& other) noexcept {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    ~CWin32Handle() { Close(); }

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    // Closes the handle; false when CloseHandle reports an error.
    bool Close() {
        if (!IsValid()) return true;
        const HANDLE handle = std::exchange(m_handle, INVALID_HANDLE_VALUE);
        return ::CloseHandle(handle) != FALSE;
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
