#include "win/TrayIcon.h"

#include <shellapi.h>

bool CTrayIcon::Add(HWND hWnd, UINT id, UINT callbackMessage, HICON icon, int tries,
                    DWORD retryDelayMs) {
    Remove();
    NOTIFYICONDATAA data{};
    // The version 2 layout: the shell of every supported Windows accepts it, and it carries
    // no tool tip here (the tip text stays all zero).
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = hWnd;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    data.uCallbackMessage = callbackMessage;
    data.hIcon = icon;
    for (int attempt = 1; attempt <= tries; ++attempt) {
        if (::Shell_NotifyIconA(NIM_ADD, &data)) {
            m_hWnd = hWnd;
            m_nId = id;
            return true;
        }
        if (attempt < tries) ::Sleep(retryDelayMs);
    }
    return false;
}

void CTrayIcon::Remove() {
    if (m_hWnd == nullptr) return;
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = m_hWnd;
    data.uID = m_nId;
    ::Shell_NotifyIconA(NIM_DELETE, &data);
    m_hWnd = nullptr;
    m_nId = 0;
}
