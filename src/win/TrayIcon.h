// One icon in the notification area of the taskbar, removed again at the latest when its
// owner goes away.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"
// After windows.h, which it needs.
#include <shellapi.h>

class CTrayIcon {
public:
    CTrayIcon() = default;
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;
    ~CTrayIcon() { Remove(); }

    // Adds the icon `id` of window `hWnd`; mouse events on it arrive at the window as
    // `callbackMessage` with the mouse message in lParam. The shell may not be ready yet
    // (at log-on, or while it restarts), so a refusal is retried after `retryDelayMs`, up to
    // `tries` attempts in all. Returns whether the icon was added. Added or not, the icon is
    // remembered for AddAgain until Remove. `icon` is not owned and must outlive the tray
    // icon.
    bool Add(HWND hWnd, UINT id, UINT callbackMessage, HICON icon, int tries = 5,
             DWORD retryDelayMs = 200);
    // Adds the remembered icon again, with the tries of Add, for a shell that announced its
    // (re)start: a restarted shell has lost every icon, and one that started late never got
    // ours. A copy that the shell still shows is deleted first, so the icon is never shown
    // twice. Returns whether the icon is now shown; false without a remembered icon.
    bool AddAgain();
    // The tip that the shell shows over the icon (lines separated by "\n"; cut to the 127
    // characters that the shell keeps). Shown at once when the icon is there, and with every
    // later Add or AddAgain; empty: no tip.
    void SetTip(const std::string& tip);
    // Removes the icon if it was added and forgets it; safe to call more than once.
    void Remove();

    bool IsAdded() const { return m_bAdded; }

private:
    bool TryAdd();
    // The icon's record for the shell with the icon, callback and tip.
    NOTIFYICONDATAA IconData() const;

    HWND m_hWnd = nullptr;
    UINT m_nId = 0;
    UINT m_nCallbackMessage = 0;
    HICON m_hIcon = nullptr;
    int m_nTries = 0;
    DWORD m_nRetryDelayMs = 0;
    bool m_bAdded = false;
    std::string m_strTip;
};
