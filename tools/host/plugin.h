// The loaded plug-in DLL and the entry points the host calls.
#pragma once

#include <string>

#include "filesystem/wfxapi.h"

struct Plugin {
  HMODULE module = nullptr;
  FsInitFn init = nullptr;
  FsGetDefRootNameFn getDefRootName = nullptr;
  FsFindFirstFn findFirst = nullptr;
  FsFindNextFn findNext = nullptr;
  FsFindCloseFn findClose = nullptr;
  FsGetFileFn getFile = nullptr;
};

// Loads the DLL and looks up every entry point by its plain name. On failure
// returns false with a description in error.
bool LoadPlugin(const std::string& fileName, Plugin& plugin,
                std::string& error);

// The wide entry points, which a file manager calls instead of the 8-bit
// ones when a plug-in exports them. FsFindClose is shared.
struct WidePlugin {
  FsInitWFn init = nullptr;
  FsFindFirstWFn findFirst = nullptr;
  FsFindNextWFn findNext = nullptr;
  FsFindCloseFn findClose = nullptr;
  FsGetFileWFn getFile = nullptr;
};

bool LoadWideEntryPoints(HMODULE module, WidePlugin& wide, std::string& error);
