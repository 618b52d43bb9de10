#include "win/FeedApp.h"

#include <commctrl.h>

#include "platform/Platform.h"
#include "win/FeedDialog.h"

namespace {
CFeedApp theApp;
}  // namespace

bool CFeedApp::InitInstance() {
    ::InitCommonControls();

    CFeedDialog dialog(nullptr, CPlatform::Default());
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

// The program takes no command-line arguments; the settings file is its whole configuration.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/,
                   int /*nShowCmd*/) {
    return theApp.Run(hInstance);
}
