// Resource identifiers of the Windows program, grouped by kind.
#pragma once

// Dialogs
#define IDD_ABOUTBOX 100
#define IDD_ZELVAROFEED_DIALOG 102
#define IDD_SUBSCRIPTION 103

// Strings
#define IDS_ABOUTBOX 101
#define IDS_COLUMN_NAME 110
#define IDS_COLUMN_SOURCE 111
#define IDS_COLUMN_STATUS 112
#define IDS_COLUMN_LAST_SYNC 113
#define IDS_ADD_SUBSCRIPTION 114
#define IDS_EDIT_SUBSCRIPTION 115
#define IDS_REMOVE_CAPTION 116
#define IDS_REMOVE_QUESTION 117
#define IDS_REMOVED_KEPT 118
#define IDS_REMOVED_EVENTS 119
#define IDS_STAYS_SUBSCRIBED 120

// Icons
#define IDI_MAINFRAME 128

// Controls of the control window
#define IDC_EXIT 1000
#define IDC_SHARED_FILE 1001
#define IDC_BROWSE_SHARED 1002
#define IDC_ENABLE_FEED 1006
#define IDC_STATUS 1007
#define IDC_MODE_ADD 1008
#define IDC_MODE_REPLACE 1009
#define IDC_SUBSCRIPTIONS 1010
#define IDC_ADD_FEED 1011
#define IDC_EDIT_FEED 1012
#define IDC_REMOVE_FEED 1013
#define IDC_MODE_NOTE 1014

// Controls of the subscription dialog
#define IDC_FEED_NAME 1101
#define IDC_FEED_SOURCE 1102
#define IDC_FEED_BROWSE 1103
#define IDC_FEED_ENABLED 1104
#define IDC_FEED_INTERVAL 1105
#define IDC_FEED_CA_FILE 1106
#define IDC_FEED_BROWSE_CA 1107
#define IDC_FEED_COLOR 1108
#define IDC_FEED_CATEGORY 1109
#define IDC_FEED_REMINDER 1110
#define IDC_FEED_ALL_DAY_REMINDER 1111
#define IDC_FEED_IGNORE_ALARMS 1112
#define IDC_FEED_IGNORE_DESCRIPTION 1113
#define IDC_FEED_ERROR 1114

// System-menu commands; the system reserves the low four bits of such a command
#define IDM_SYSMENU_ABOUT 0x0010

// Window messages of our own; WM_APP and above are free for an application's private use.
// Only C++ code uses these (WM_APP comes from the Windows headers it includes).
#define WM_FEEDTRAY (WM_APP + 5)

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
