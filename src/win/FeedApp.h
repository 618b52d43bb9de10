// The ZelvaroFeed application: runs the control window modally and ends when it closes.
#pragma once

#include "win/WinApp.h"

class CFeedApp : public CWinApp {
protected:
    // Switches on the common controls, runs the control window without a parent and
    // returns false, so that the program ends when the window closes.
    bool InitInstance() override;
};
