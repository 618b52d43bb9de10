#include "win/Dialog.h"

#include <array>

CDialog::CDialog(UINT templateId, HWND parent)
    : m_hInstance(::GetModuleHandleA(nullptr)), m_nTemplateId(templateId), m_hParent(parent) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
    const HRSRC resource = ::FindResourceA(m_hInstance, MAKEINTRESOURCEA(m_nTemplateId), RT_DIALOG);
    if (resource == nullptr) return -1;
    const HGLOBAL loaded = ::LoadResource(m_hInstance, resource);
    const auto* dialogTemplate =
        static_cast<const DLGTEMPLATE*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
    if (dialogTemplate == nullptr) return -1;

    m_bEnding = false;
    m_nResult = IDCANCEL;
    const bool disableParent = m_hParent != nullptr && ::IsWindowEnabled(m_hParent);
    if (disableParent) ::EnableWindow(m_hParent, FALSE);

    m_hWnd = ::CreateDialogIndirectParamA(m_hInstance, dialogTemplate, m_hParent,
                                          &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (m_hWnd == nullptr) {
        if (disableParent) ::EnableWindow(m_hParent, TRUE);
        return -1;
    }
    // Like DialogBox, show a template without WS_VISIBLE too; the initialisation may already
    // have ended the dialog.
    if (!m_bEnding) ::ShowWindow(m_hWnd, SW_SHOW);

    MSG msg;
    while (!m_bEnding) {
        const int got = NextMessage(msg);
        if (got == -1) break;
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!::IsDialogMessageA(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    // The parent is enabled before this window goes away, so that the system activates the
    // parent and not some other application.
    if (disableParent) ::EnableWindow(m_hParent, TRUE);
    ::DestroyWindow(m_hWnd);
    return m_nResult;
}

int CDialog::NextMessage(MSG& msg) {
    for (;;) {
        std::vector<HANDLE> handles;
        if (s_loopWaits != nullptr) handles = s_loopWaits->GetHandles();
        if (handles.empty())
            return ::GetMessageA(&msg, nullptr, 0, 0) == -1 ? -1 : (msg.message == WM_QUIT ? 0 : 1);
        if (handles.size() > MAXIMUM_WAIT_OBJECTS - 1) handles.resize(MAXIMUM_WAIT_OBJECTS - 1);
        const DWORD count = static_cast<DWORD>(handles.size());
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(count, handles.data(), INFINITE,
                                                         QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_FAILED) return -1;
        if (woke < WAIT_OBJECT_0 + count) {
            s_loopWaits->OnSignalled();
            continue;
        }
        if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return msg.message == WM_QUIT ? 0 : 1;
    }
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

std::string CDialog::GetItemText(int id) const {
    const HWND item = ::GetDlgItem(m_hWnd, id);
    if (item == nullptr) return {};
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
    const int length = ::GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

void CDialog::SetItemText(int id, const std::string& text) {
    ::SetDlgItemTextA(m_hWnd, id, text.c_str());
}

bool CDialog::IsItemChecked(int id) const {
    return ::SendDlgItemMessageA(m_hWnd, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CDialog::SetItemChecked(int id, bool checked) {
    ::SendDlgItemMessageA(m_hWnd, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string CDialog::LoadText(UINT id) const {
    std::array<char, 512> text{};
    const int length = ::LoadStringA(m_hInstance, id, text.data(), static_cast<int>(text.size()));
    return length > 0 ? std::string(text.data(), static_cast<std::size_t>(length)) : std::string();
}

void CDialog::EndDialog(INT_PTR result) {
    m_nResult = result;
    m_bEnding = true;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hWnd;
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    }
    // WM_SETFONT and a few others arrive before WM_INITDIALOG: default processing for them.
    if (self == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        return FALSE;
    }
    return self->HandleMessage(message, wParam, lParam);
}
