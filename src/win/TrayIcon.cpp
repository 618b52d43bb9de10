#include "win/TrayIcon.h"

#include <shellapi.h>

namespace {

// The version 2 layout: the shell of every supported Windows accepts it. Identifies the icon
// by window and id.
NOTIFYICONDATAA MakeIconData(HWND hWnd, UINT id) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = hWnd;
    data.uID = id;
    return data;
}

}  // namespace

bool CTrayIcon::Add(HWND hWnd, UINT id, UINT callbackMessage, HICON icon, int tries,
                    DWORD retryDelayMs) {
    Remove();
    m_hWnd = hWnd;
    m_nId = id;
    m_nCallbackMessage = callbackMessage;
    m_hIcon = icon;
    m_nTries = tries;
    m_nRetryDelayMs = retryDelayMs;
    return TryAdd();
}

bool CTrayIcon::AddAgain() {
    if (m_hWnd == nullptr) return false;
    // A shell that really restarted has no copy and fails this delete, which is harmless.
    NOTIFYICONDATAA data = MakeIconData(m_hWnd, m_nId);
    ::Shell_NotifyIconA(NIM_DELETE, &data);
    return TryAdd();
}

void CTrayIcon::Remove() {
    if (m_bAdded) {
        NOTIFYICONDATAA data = MakeIconData(m_hWnd, m_nId);
        ::Shell_NotifyIconA(NIM_DELETE, &data);
    }
    m_bAdded = false;
    m_hWnd = nullptr;
    m_nId = 0;
}

void CTrayIcon::SetTip(const std::string& tip) {
    if (tip == m_strTip) return;
    m_strTip = tip;
    if (!m_bAdded) return;
    NOTIFYICONDATAA data = IconData();
    ::Shell_NotifyIconA(NIM_MODIFY, &data);
}

NOTIFYICONDATAA CTrayIcon::IconData() const {
    NOTIFYICONDATAA data = MakeIconData(m_hWnd, m_nId);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = m_nCallbackMessage;
    data.hIcon = m_hIcon;
    m_strTip.copy(data.szTip, sizeof(data.szTip) - 1);
    return data;
}

bool CTrayIcon::TryAdd() {
    NOTIFYICONDATAA data = IconData();
    for (int attempt = 1; attempt <= m_nTries; ++attempt) {
        if (::Shell_NotifyIconA(NIM_ADD, &data)) {
            m_bAdded = true;
            return true;
        }
        if (attempt < m_nTries) ::Sleep(m_nRetryDelayMs);
    }
    m_bAdded = false;
    return false;
}
