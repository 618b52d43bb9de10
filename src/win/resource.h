// Resource identifiers of the Windows program, grouped by kind.
#pragma once

// Dialogs
#define IDD_ABOUTBOX 100
#define IDD_ZELVAROFEED_DIALOG 102

// Strings
#define IDS_ABOUTBOX 101

// Icons
#define IDI_MAINFRAME 128

// Controls of the control window
#define IDC_EXIT 1000
#define IDC_SHARED_FILE 1001
#define IDC_BROWSE_SHARED 1002
#define IDC_FEED_FILE 1003
#define IDC_BROWSE_FEED 1004
#define IDC_INTERVAL 1005
#define IDC_ENABLE_FEED 1006
#define IDC_STATUS 1007
#define IDC_MODE_ADD 1008
#define IDC_MODE_REPLACE 1009

// System-menu commands; the system reserves the low four bits of such a command
#define IDM_SYSMENU_ABOUT 0x0010

// Window messages of our own; WM_APP and above are free for an application's private use.
// Only C++ code uses these (WM_APP comes from the Windows headers it includes).
#define WM_FEEDTRAY (WM_APP + 5)

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
