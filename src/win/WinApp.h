// The application object of a program whose whole life is its instance initialisation.
#pragma once

#include "platform/win32/Win32Api.h"

class CDialog;

// WinMain hands control to Run of the one application object. A derived class does its
// work in InitInstance; when that returns false the program ends at once, which is how a
// program built around one modal dialog ends when the dialog closes.
class CWinApp {
public:
    CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp() = default;

    // Runs InitInstance and, when it returns true, the message loop until WM_QUIT. Returns
    // the process exit code.
    int Run(HINSTANCE hInstance);

    HINSTANCE GetInstance() const { return m_hInstance; }
    // The main window while one is running; nullptr otherwise. Not owned.
    CDialog* GetMainWnd() const { return m_pMainWnd; }

protected:
    virtual bool InitInstance() = 0;

    HINSTANCE m_hInstance = nullptr;
    CDialog* m_pMainWnd = nullptr;
};
