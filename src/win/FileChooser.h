// The system's "open file" dialog, for the browse buttons of the program's dialogs.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"

class CFileChooser {
public:
    // Shows the dialog over `owner` with `filter` ("Description|pattern|...||", the first pair
    // selected) for an existing file; true with its full path in `path` when the user chose
    // one, false (and `path` unchanged) when the dialog was cancelled.
    static bool Choose(HWND owner, const char* filter, std::string& path);
};
