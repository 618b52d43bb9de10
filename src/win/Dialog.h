// A dialog window built from a dialog resource and run modally by a message loop of our own.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/Win32Api.h"

// Kernel handles that the modal loop of every dialog waits on beside its messages, so that a
// signalled one is handled on the one user-interface thread whichever dialog is in front.
class CLoopWaits {
public:
    virtual ~CLoopWaits() = default;
    // The handles to wait on now (at most MAXIMUM_WAIT_OBJECTS - 1 are used).
    virtual std::vector<HANDLE> GetHandles() = 0;
    // One of the handles is signalled; must deal with it (or the loop wakes again at once).
    virtual void OnSignalled() = 0;
};

// The window keeps `this` in its user data from WM_INITDIALOG on and forwards every message
// to HandleMessage. A derived class overrides HandleMessage for its own messages and hands
// the rest to CDialog::HandleMessage; a FALSE result leaves a message to the default dialog
// processing (DefDlgProcA).
class CDialog {
public:
    // `templateId` names an RT_DIALOG resource of this module. `parent` may be nullptr; while
    // the dialog runs, a parent is disabled, as with any modal dialog.
    CDialog(UINT templateId, HWND parent);
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    // Destroys the window if it still exists.
    virtual ~CDialog();

    // Creates the dialog, shows it and dispatches messages until EndDialog. The window is
    // destroyed before this returns. Returns the EndDialog result, or -1 when the dialog
    // could not be created. A WM_QUIT ends the loop with IDCANCEL and is posted again for
    // the loop outside.
    INT_PTR DoModal();

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Installs the handles that every modal loop also waits on; nullptr removes them.
    // REQUIRES: `waits` outlives its installation.
    static void SetLoopWaits(CLoopWaits* waits) { s_loopWaits = waits; }

protected:
    // The message handler of the window; the result is the dialog procedure's result.
    // Routes WM_INITDIALOG to OnInitDialog and the IDOK and IDCANCEL commands to OnOK and
    // OnCancel; everything else returns FALSE.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Returns TRUE to let the system focus the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // The text of the control `id` ("" when there is none), and its change.
    std::string GetItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    // The check mark of the button `id`, and its change.
    bool IsItemChecked(int id) const;
    void SetItemChecked(int id, bool checked);
    // The string resource `id` ("" when there is none).
    std::string LoadText(UINT id) const;

    // Ends the modal loop with `result` once the current message has been handled.
    void EndDialog(INT_PTR result);
    bool IsEnding() const { return m_bEnding; }
    HINSTANCE GetInstance() const { return m_hInstance; }

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The next message for the modal loop, handling signalled loop waits meanwhile: 1 a
    // message, 0 WM_QUIT, -1 a failure.
    static int NextMessage(MSG& msg);

    static inline CLoopWaits* s_loopWaits = nullptr;

    HINSTANCE m_hInstance;
    UINT m_nTemplateId;
    HWND m_hParent;
    bool m_bEnding = false;
    INT_PTR m_nResult = IDCANCEL;
};
