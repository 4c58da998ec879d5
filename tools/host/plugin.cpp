#include "tools/host/plugin.h"

#include "tools/host/resolve.h"

bool LoadPlugin(const std::string& fileName, Plugin& plugin,
                std::string& error) {
  plugin.module = LoadModule(fileName, error);
  if (!plugin.module) return false;
  HMODULE m = plugin.module;
  return ResolveEntryPoint(m, "FsInit", plugin.init, error) &&
         ResolveEntryPoint(m, "FsGetDefRootName", plugin.getDefRootName,
                           error) &&
         ResolveEntryPoint(m, "FsFindFirst", plugin.findFirst, error) &&
         ResolveEntryPoint(m, "FsFindNext", plugin.findNext, error) &&
         ResolveEntryPoint(m, "FsFindClose", plugin.findClose, error) &&
         ResolveEntryPoint(m, "FsGetFile", plugin.getFile, error);
}

bool LoadWideEntryPoints(HMODULE module, WidePlugin& wide, std::string& error) {
  return ResolveEntryPoint(module, "FsInitW", wide.init, error) &&
         ResolveEntryPoint(module, "FsFindFirstW", wide.findFirst, error) &&
         ResolveEntryPoint(module, "FsFindNextW", wide.findNext, error) &&
         ResolveEntryPoint(module, "FsFindClose", wide.findClose, error) &&
         ResolveEntryPoint(module, "FsGetFileW", wide.getFile, error);
}
