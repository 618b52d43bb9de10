#include "win/AboutDialog.h"

#include "win/resource.h"

CAboutDialog::CAboutDialog(HWND parent) : CDialog(IDD_ABOUTBOX, parent) {}
