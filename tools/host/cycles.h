// Loads and unloads a plug-in many times, as a file manager that is started
// and closed over and over, and reports the process's handles and memory.
#pragma once

#include <string>

#include "tools/host/throttle.h"

// Each cycle: LoadLibrary, FsInit, list the root and the remote file's
// drive, copy the remote file to local (overwriting), FreeLibrary with the
// drive still open. With strict, each load gets the strict rules, and the
// throttle of rates (none by default). Prints a
// CYCLE line with the handle count and private bytes after the first 10 cycles
// and after the last one. Returns false when a cycle fails.
bool RunLoadCycles(const std::string& pluginFile, int cycles,
                   const std::string& remote, const std::string& local,
                   bool strict, const ThrottleRates& rates);
