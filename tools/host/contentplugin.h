// The loaded content plug-in DLL and the entry points a host calls.
#pragma once

#include <string>

#include "plugin/wdxapi.h"

typedef int(WINAPI* ContentGetSupportedFieldFn)(int, char*, char*, int);
typedef int(WINAPI* ContentGetValueFn)(char*, int, int, void*, int, int);
typedef int(WINAPI* ContentGetValueWFn)(WCHAR*, int, int, void*, int, int);
typedef void(WINAPI* ContentGetDetectStringFn)(char*, int);
typedef void(WINAPI* ContentSetDefaultParamsFn)(ContentDefaultParamStruct*);
typedef void(WINAPI* ContentPluginUnloadingFn)();

struct ContentPlugin {
  ContentGetSupportedFieldFn field = nullptr;
  ContentGetValueFn value = nullptr;
  ContentGetValueWFn valueW = nullptr;
  ContentGetDetectStringFn detect = nullptr;
  ContentSetDefaultParamsFn setDefaults = nullptr;
  ContentPluginUnloadingFn unloading = nullptr;
};

// Loads the DLL and looks up every entry point by its plain name. On failure
// returns false with a description in error.
bool LoadContentPlugin(const std::string& fileName, ContentPlugin& plugin,
                       std::string& error);
