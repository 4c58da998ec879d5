// GetLogicalDriveStringsA's way of handing out a list of drive roots.
#pragma once

#include <string>

#include "platform/win32.h"

// roots holds each root followed by its terminator. Copies it and one more
// terminator into buffer when all of that fits and returns its length without
// the last terminator; otherwise returns the size needed, buffer untouched.
DWORD CopyDriveStrings(const std::string& roots, DWORD bufferLength,
                       LPSTR buffer);
