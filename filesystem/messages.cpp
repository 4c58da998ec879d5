#include "filesystem/messages.h"

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

void ShowHostMessage(PluginState& state, const WCHAR* text) {
  if (!state.requestW) {
    ShowMessageBox(text, kRootName);
    return;
  }
  WideCaption title(kRootName);
  state.requestW(state.pluginNr, kRequestMessageBox, title.text,
                 const_cast<WCHAR*>(text), state.replyTextW,
                 sizeof state.replyTextW / sizeof *state.replyTextW);
}

void ShowHostMessage(PluginState& state, const HostText& text) {
  if (text.wide) {
    ShowHostMessage(state, text.units.c_str());
  } else {
    ShowHostMessage(state, text.bytes.c_str());
  }
}
