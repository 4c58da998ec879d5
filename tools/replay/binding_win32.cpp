// The replay host under Windows: the plug-in is the DLL, loaded as a file
// manager loads it, and its message boxes are caught at its imports of
// MessageBoxA and MessageBoxW, the wide ones' texts kept in UTF-8 as the
// native build keeps them.
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

std::string Utf8(LPCWSTR text) {
  if (!text) return "";
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], size, nullptr, nullptr);
  bytes.resize(bytes.size() - 1);
  return bytes;
}

int WINAPI CatchMessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT) {
  gBoxes.push_back(BoxMessage{caption != nullptr, Utf8(caption), Utf8(text)});
  return IDOK;
}

// Both imports or neither: a box the host cannot see would wait for a
// click.
bool CatchMessageBoxes(HMODULE module) {
  return PatchImport(module, "USER32.dll", "MessageBoxA",
                     reinterpret_cast<const void*>(&CatchMessageBox)) &&
         PatchImport(module, "USER32.dll", "MessageBoxW",
                     reinterpret_cast<const void*>(&CatchMessageBoxW));
}

}  // namespace

bool BindPlugin(const std::string& target, const std::string&, Plugin& plugin,
                std::string& error) {
  if (!LoadPlugin(target, plugin, error)) return false;
  if (!CatchMessageBoxes(plugin.module)) {
    error = "the plug-in does not import MessageBoxA and MessageBoxW";
    return false;
  }
  // Windows refuses what Wine lets pass; each refusal prints a STRICT line.
  ApplyStrictRules(plugin.module);
  return true;
}

bool BindArchive(const std::string& dll, ArchivePlugin& archive,
                 std::string& error) {
  if (!LoadArchivePlugin(dll, archive, error)) return false;
  if (!CatchMessageBoxes(archive.module)) {
    error = "the archive plug-in does not import MessageBoxA and MessageBoxW";
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
