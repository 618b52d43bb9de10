// The About box: the program's icon, name and version, closed by its OK button.
#pragma once

#include "win/Dialog.h"

class CAboutDialog : public CDialog {
public:
    explicit CAboutDialog(HWND parent);
};
