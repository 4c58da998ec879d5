#include "plugin/state.h"

PluginState gPluginState;

int InitPlugin(PluginState& state, int pluginNr, ProgressProc progress,
               LogProc log, RequestProc request) {
  state.pluginNr = pluginNr;
  state.progress = progress;
  state.log = log;
  state.request = request;
  state.initialized = true;
  return 0;
}

int InitPluginW(PluginState& state, int pluginNr, ProgressProcW progress,
                LogProcW log, RequestProcW request) {
  state.pluginNr = pluginNr;
  state.progressW = progress;
  state.logW = log;
  state.requestW = request;
  state.initialized = true;
  return 0;
}

void GetDefRootName(char* defRootName, int maxLen) {
  lstrcpynA(defRootName, kRootName, maxLen);
}
