#include "tools/host/cycles.h"

#include "tools/host/commands.h"
#include "tools/host/output.h"
#include "tools/host/plugin.h"
#include "tools/host/strict.h"
#include "tools/host/usage.h"

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

void Report(int cycle) {
  const ProcessUsage usage = MeasureUsage();
  Say("CYCLE %d handles=%lu nexthandle=%lu private=%llu", cycle, usage.handles,
      usage.nextHandle, usage.privateBytes);
}

bool ListsSomething(const Plugin& plugin, const std::string& path) {
  DWORD lastError = 0;
  return !ListFolder(plugin, path, lastError).empty();
}

bool OneCycle(const std::string& pluginFile, const std::string& remote,
              const std::string& local, bool strict,
              const ThrottleRates& rates) {
  Plugin plugin;
  std::string error;
  if (!LoadPlugin(pluginFile, plugin, error)) {
    Say("FAIL %s", error.c_str());
    return false;
  }
  if (strict) ApplyStrictRules(plugin.module);
  ApplyThrottle(plugin.module, rates);
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
                   bool strict, const ThrottleRates& rates) {
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    if (!OneCycle(pluginFile, remote, local, strict, rates) || failures != 0) {
      Say("FAIL cycle %d", cycle);
      return false;
    }
    if (cycle == kWarmup || cycle == cycles) Report(cycle);
  }
  return true;
}
