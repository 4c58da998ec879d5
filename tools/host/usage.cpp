#include "tools/host/usage.h"

#include "platform/win32.h"
// After windows.h. Version 2 takes GetProcessMemoryInfo from KERNEL32.
#define PSAPI_VERSION 2
#include <psapi.h>

ProcessUsage MeasureUsage() {
  ProcessUsage usage{};
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  usage.handles = handles;
  HANDLE probe = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(probe);
  usage.nextHandle =
      static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(probe));
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  usage.privateBytes = memory.PagefileUsage;
  return usage;
}
