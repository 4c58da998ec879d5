#include "plugin/messages.h"

void ShowHostMessage(PluginState& state, const char* text) {
  if (!state.request) {
    ShowMessageBox(text, kRootName);
    return;
  }
  char title[sizeof kRootName];
  lstrcpynA(title, kRootName, sizeof title);
  state.request(state.pluginNr, kRequestMessageBox, title,
                const_cast<char*>(text), state.replyText,
                sizeof state.replyText);
}

void ShowMessageBox(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}
