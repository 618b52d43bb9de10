// One icon in the notification area of the taskbar, removed again at the latest when its
// owner goes away.
#pragma once

#include "platform/win32/Win32Api.h"

class CTrayIcon {
public:
    CTrayIcon() = default;
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;
    ~CTrayIcon() { Remove(); }

    // Adds the icon `id` of window `hWnd`; mouse events on it arrive at the window as
    // `callbackMessage` with the mouse message in lParam. The shell may not be ready yet
    // (at log-on, or while it restarts), so a refusal is retried after `retryDelayMs`, up to
    // `tries` attempts in all. Returns whether the icon was added. Not re-added when the
    // shell restarts later. `icon` is not owned and must outlive the tray icon.
    bool Add(HWND hWnd, UINT id, UINT callbackMessage, HICON icon, int tries = 5,
             DWORD retryDelayMs = 200);
    // Removes the icon if it was added; safe to call more than once.
    void Remove();

    bool IsAdded() const { return m_hWnd != nullptr; }

private:
    HWND m_hWnd = nullptr;
    UINT m_nId = 0;
};
