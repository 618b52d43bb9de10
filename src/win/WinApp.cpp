#include "win/WinApp.h"

int CWinApp::Run(HINSTANCE hInstance) {
    m_hInstance = hInstance;
    if (!InitInstance()) return 0;
    MSG msg;
    BOOL got = 0;
    while ((got = ::GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 1;
}
