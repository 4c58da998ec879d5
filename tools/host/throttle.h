// Throttling: the plug-in's device reads (KERNEL32 ReadFile) and its writes
// to local files (msvcrt fwrite) each take as long as a device of a set rate
// needs for their bytes, so that a copy can be timed against a slow drive
// and a slow target.
#pragma once

#include "platform/win32.h"

// Rates in bytes per second; 0 leaves that side alone.
struct ThrottleRates {
  double read = 0;
  double write = 0;
};

// Patch after the strict rules: the throttled read calls on to whatever the
// slot held.
void ApplyThrottle(HMODULE module, const ThrottleRates& rates);
