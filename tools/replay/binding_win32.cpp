// The replay host under Windows: the plug-in is the DLL, loaded as a file
// manager loads it, and its message boxes are caught at its import of
// MessageBoxA.
#include <cstdio>

#include "tools/host/importpatch.h"
#include "tools/host/plugin.h"
#include "tools/host/strict.h"
#include "tools/host/usage.h"
#include "tools/replay/binding.h"

namespace {

std::vector<BoxMessage> gBoxes;

int WINAPI CatchMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT) {
  gBoxes.push_back(
      BoxMessage{caption != nullptr, caption ? caption : "", text ? text : ""});
  return IDOK;
}

}  // namespace

bool BindPlugin(const std::string& target, const std::string&, Plugin& plugin,
                std::string& error) {
  if (!LoadPlugin(target, plugin, error)) return false;
  if (!PatchImport(plugin.module, "USER32.dll", "MessageBoxA",
                   reinterpret_cast<const void*>(&CatchMessageBox))) {
    error = "the plug-in does not import MessageBoxA";
    return false;
  }
  // Windows refuses what Wine lets pass; each refusal prints a STRICT line.
  ApplyStrictRules(plugin.module);
  return true;
}

bool BindArchive(const std::string& dll, ArchivePlugin& archive,
                 std::string& error) {
  if (!LoadArchivePlugin(dll, archive, error)) return false;
  if (!PatchImport(archive.module, "USER32.dll", "MessageBoxA",
                   reinterpret_cast<const void*>(&CatchMessageBox))) {
    error = "the archive plug-in does not import MessageBoxA";
    return false;
  }
  return true;
}

char LocalSeparator() { return '\\'; }

std::vector<BoxMessage> TakeMessageBoxes() {
  std::vector<BoxMessage> boxes;
  boxes.swap(gBoxes);
  return boxes;
}

std::string UsageLine() {
  const ProcessUsage usage = MeasureUsage();
  char line[128];
  std::snprintf(line, sizeof line, "handles=%lu nexthandle=%lu private=%llu",
                usage.handles, usage.nextHandle, usage.privateBytes);
  return line;
}

// Heap blocks and device handles are not tracked apart under Windows; the
// usage figures over the run stand for them.
std::string Leftovers() { return ""; }
