#include "filesystem/state.h"

PluginState gPluginState;

namespace {

// Either init makes the plug-in initialised; the last one sets the number.
int MarkInitialized(PluginState& state, int pluginNr) {
  state.pluginNr = pluginNr;
  state.initialized = true;
  return 0;
}

}  // namespace

int InitPlugin(PluginState& state, int pluginNr, ProgressProc progress,
               LogProc log, RequestProc request) {
  state.progress = progress;
  state.log = log;
  state.request = request;
  return MarkInitialized(state, pluginNr);
}

int InitPluginW(PluginState& state, int pluginNr, ProgressProcW progress,
                LogProcW log, RequestProcW request) {
  state.progressW = progress;
  state.logW = log;
  state.requestW = request;
  return MarkInitialized(state, pluginNr);
}

void GetDefRootName(char* defRootName, int maxLen) {
  lstrcpynA(defRootName, kRootName, maxLen);
}
