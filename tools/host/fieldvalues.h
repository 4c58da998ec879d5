// Asking a plug-in for every content field of a file, as a file manager
// fills its columns, and printing the answers: V TYPE NAME VALUE.
#pragma once

#include <string>

#include "platform/win32.h"

struct ContentCalls {
  int(WINAPI* field)(int, char*, char*, int) = nullptr;
  int(WINAPI* value)(char*, int, int, void*, int, int) = nullptr;
  int(WINAPI* valueW)(WCHAR*, int, int, void*, int, int) = nullptr;
};

// Every field of path (UTF-8) through valueW, or through value with the
// path in the ANSI code page when narrow. kExitOk when each answer was a
// value or ft_fieldempty, else kExitFailed (an error, or an answer that
// hosts show empty and never ask again).
int PrintFieldValues(const ContentCalls& calls, const std::string& path,
                     bool narrow);

// The same through a file-system plug-in's FsContent calls, looked up in
// its module; kExitNoPlugin when it lacks them.
int PrintFsFieldValues(HMODULE module, const std::string& path);
