// The Windows and system directories as the install actions read them.
#pragma once

#include <windows.h>

// GetSystemDirectoryA / GetWindowsDirectoryA into a path buffer. A directory that does not
// fit the buffer (the buffer then holds nothing usable) counts as a failed read: 0, with
// ERROR_INSUFFICIENT_BUFFER as the last error.
UINT ReadSystemDirectory(char (&buffer)[MAX_PATH]);
UINT ReadWindowsDirectory(char (&buffer)[MAX_PATH]);
