// The module's one piece of global state.
#pragma once

#include <cstdint>

#include "disc/drivecache.h"
#include "filesystem/wfxapi.h"

constexpr char kRootName[] = "Xbox DVD Filesystem";

struct PluginState {
  bool initialized = false;
  std::int32_t pluginNr = 0;
  ProgressProc progress = nullptr;
  LogProc log = nullptr;
  RequestProc request = nullptr;
  // FsInitW's callbacks; a host may give both sets, each side uses its own.
  ProgressProcW progressW = nullptr;
  LogProcW logW = nullptr;
  RequestProcW requestW = nullptr;
  DriveCache driveCache;
  char replyText[8] = {};
  WCHAR replyTextW[8] = {};
};

// Alive from module load to unload; its destruction closes the open drive.
extern PluginState gPluginState;

int InitPlugin(PluginState& state, int pluginNr, ProgressProc progress,
               LogProc log, RequestProc request);
int InitPluginW(PluginState& state, int pluginNr, ProgressProcW progress,
                LogProcW log, RequestProcW request);
void GetDefRootName(char* defRootName, int maxLen);
