// Linux build only: the host's request dialog stands in for the system
// message box, so every message reaches the user in the host's own window,
// through the callback of the side that sent it.
#include "filesystem/messages.h"
#include "filesystem/state.h"
#include "platform/linux/messagebox.h"
#include "plugin/hosttext.h"

namespace {

bool ShowInHost(const char* text, const WCHAR* wideText) {
  const HostText message = wideText ? WideText(wideText) : NarrowText(text);
  // Before FsInit there is no dialog to show it in.
  if (message.wide ? !gPluginState.requestW : !gPluginState.request) {
    return false;
  }
  ShowHostMessage(gPluginState, message);
  return true;
}

// Set at load, before the host can call anything.
[[maybe_unused]] const bool gStandInSet =
    (SetMessageBoxStandIn(ShowInHost), true);

}  // namespace
