#include "tools/host/plugin.h"

namespace {

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& fn, std::string& error) {
  fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!fn) error = std::string("entry point ") + name + " not exported";
  return fn != nullptr;
}

}  // namespace

bool LoadPlugin(const std::string& fileName, Plugin& plugin,
                std::string& error) {
  plugin.module = LoadLibraryA(fileName.c_str());
  if (!plugin.module) {
    error = "cannot load " + fileName + " (error " +
            std::to_string(GetLastError()) + ")";
    return false;
  }
  HMODULE m = plugin.module;
  return Resolve(m, "FsInit", plugin.init, error) &&
         Resolve(m, "FsGetDefRootName", plugin.getDefRootName, error) &&
         Resolve(m, "FsFindFirst", plugin.findFirst, error) &&
         Resolve(m, "FsFindNext", plugin.findNext, error) &&
         Resolve(m, "FsFindClose", plugin.findClose, error) &&
         Resolve(m, "FsGetFile", plugin.getFile, error);
}

bool LoadWideEntryPoints(HMODULE module, WidePlugin& wide, std::string& error) {
  return Resolve(module, "FsInitW", wide.init, error) &&
         Resolve(module, "FsFindFirstW", wide.findFirst, error) &&
         Resolve(module, "FsFindNextW", wide.findNext, error) &&
         Resolve(module, "FsFindClose", wide.findClose, error) &&
         Resolve(module, "FsGetFileW", wide.getFile, error);
}
