#include "tools/host/cycles.h"

#include "tools/host/commands.h"
#include "tools/host/output.h"
#include "tools/host/plugin.h"
#include "tools/host/strict.h"
// After windows.h, which plugin.h brings. Version 2 takes
// GetProcessMemoryInfo from KERNEL32.
#define PSAPI_VERSION 2
#include <psapi.h>

namespace {

// The first cycles fill the loader's and the C runtime's caches.
constexpr int kWarmup = 10;

int failures = 0;

int WINAPI QuietProgress(int, char*, char*, int) { return 0; }
void WINAPI QuietLog(int, int, char*) {}
int WINAPI CountRequest(int, int, char*, char* text, char*, int) {
  if (failures++ == 0) Say("REQUEST text=%s", Quoted(text).c_str());
  return 1;
}

// Wine counts no handles; there the value a new handle gets tells instead,
// since the lowest free slot is handed out first and a leak moves it up.
unsigned long NextHandleValue() {
  HANDLE probe = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(probe);
  return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(probe));
}

void Report(int cycle) {
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  Say("CYCLE %d handles=%lu nexthandle=%lu private=%llu", cycle,
      static_cast<unsigned long>(handles), NextHandleValue(),
      static_cast<unsigned long long>(memory.PagefileUsage));
}

bool ListsSomething(const Plugin& plugin, const std::string& path) {
  DWORD lastError = 0;
  return !ListFolder(plugin, path, lastError).empty();
}

bool OneCycle(const std::string& pluginFile, const std::string& remote,
              const std::string& local, bool strict) {
  Plugin plugin;
  std::string error;
  if (!LoadPlugin(pluginFile, plugin, error)) {
    Say("FAIL %s", error.c_str());
    return false;
  }
  if (strict) ApplyStrictRules(plugin.module);
  plugin.init(1, QuietProgress, QuietLog, CountRequest);
  const std::string drive = remote.substr(0, remote.find('\\', 1));
  const bool ok = ListsSomething(plugin, "\\") &&
                  ListsSomething(plugin, drive) &&
                  plugin.getFile(remote.c_str(), local.c_str(),
                                 kCopyFlagOverwrite, nullptr) == kFileOk;
  FreeLibrary(plugin.module);
  return ok;
}

}  // namespace

bool RunLoadCycles(const std::string& pluginFile, int cycles,
                   const std::string& remote, const std::string& local,
                   bool strict) {
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    if (!OneCycle(pluginFile, remote, local, strict) || failures != 0) {
      Say("FAIL cycle %d", cycle);
      return false;
    }
    if (cycle == kWarmup || cycle == cycles) Report(cycle);
  }
  return true;
}
