// Linux build only: the host's request dialog stands in for the system
// message box, so every message reaches the user in the host's own window.
#include "platform/linux/messagebox.h"
#include "plugin/messages.h"
#include "plugin/state.h"

namespace {

bool ShowInHost(const char* text, const char* /*caption*/) {
  // Before FsInit there is no dialog to show it in.
  if (!gPluginState.request) return false;
  ShowHostMessage(gPluginState, text);
  return true;
}

// Set at load, before the host can call anything.
[[maybe_unused]] const bool gStandInSet =
    (SetMessageBoxStandIn(ShowInHost), true);

}  // namespace
