#include "plugin/messages.h"

namespace {

void ShowWideHostMessage(PluginState& state, const HostText& text) {
  WideString title = DecodeCp1252(kRootName);
  WideString message = text.units;
  state.requestW(state.pluginNr, kRequestMessageBox, &title[0], &message[0],
                 state.replyTextW,
                 sizeof state.replyTextW / sizeof state.replyTextW[0]);
}

}  // namespace

void ShowHostMessage(PluginState& state, const HostText& text) {
  if (text.wide ? !state.requestW : !state.request) {
    ShowMessageBox(text, kRootName);
    return;
  }
  if (text.wide) {
    ShowWideHostMessage(state, text);
    return;
  }
  char title[sizeof kRootName];
  lstrcpynA(title, kRootName, sizeof title);
  state.request(state.pluginNr, kRequestMessageBox, title,
                const_cast<char*>(text.bytes.c_str()), state.replyText,
                sizeof state.replyText);
}

void ShowMessageBox(const HostText& text, const char* caption) {
  if (!text.wide) {
    MessageBoxA(nullptr, text.bytes.c_str(), caption, MB_OK);
    return;
  }
  const WideString wideCaption = caption ? DecodeCp1252(caption) : WideString();
  MessageBoxW(nullptr, text.units.c_str(),
              caption ? wideCaption.c_str() : nullptr, MB_OK);
}
