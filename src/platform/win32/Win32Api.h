// The Win32 API for the platform implementation, without the ANSI/Unicode macros whose names
// collide with CPlatform's methods (CopyFile, DeleteFile, CreateDirectory).
#pragma once

#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef CreateDirectory
