// The loaded archive plug-in DLL and the entry points a host calls.
#pragma once

#include <string>

#include "archive/wcxapi.h"

struct ArchivePlugin {
  OpenArchiveWFn open = nullptr;
  ReadHeaderExWFn readHeader = nullptr;
  ProcessFileWFn process = nullptr;
  CloseArchiveFn close = nullptr;
  SetProcessDataProcWFn setProgress = nullptr;
  CanYouHandleThisFileWFn canHandle = nullptr;
  GetPackerCapsFn caps = nullptr;
  GetBackgroundFlagsFn background = nullptr;
  PackFilesWFn pack = nullptr;
  DeleteFilesWFn remove = nullptr;
  HMODULE module = nullptr;
};

// Loads the DLL and looks up every entry point by its plain name. On failure
// returns false with a description in error.
bool LoadArchivePlugin(const std::string& fileName, ArchivePlugin& plugin,
                       std::string& error);
