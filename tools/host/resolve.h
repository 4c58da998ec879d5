// Loading a plug-in DLL and looking up its entry points by name, for the
// hosts.
#pragma once

#include <string>

#include "platform/win32.h"

// fn := the DLL's entry point of this plain name; false, with error set,
// when it has none.
template <typename Fn>
bool ResolveEntryPoint(HMODULE module, const char* name, Fn& fn,
                       std::string& error) {
  fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!fn) error = std::string("entry point ") + name + " not exported";
  return fn != nullptr;
}

// The loaded DLL, or null with error set.
inline HMODULE LoadModule(const std::string& fileName, std::string& error) {
  HMODULE module = LoadLibraryA(fileName.c_str());
  if (!module) {
    error = "cannot load " + fileName + " (error " +
            std::to_string(GetLastError()) + ")";
  }
  return module;
}
