#include "plugin/messages.h"

namespace {

// An ASCII caption or title in UTF-16, in place.
struct WideCaption {
  WCHAR text[64] = {};
  explicit WideCaption(const char* ascii) {
    for (std::size_t i = 0; ascii[i] && i + 1 < sizeof text / sizeof *text;
         ++i) {
      text[i] = static_cast<unsigned char>(ascii[i]);
    }
  }
};

}  // namespace

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

void ShowMessageBox(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}

void ShowMessageBox(const WCHAR* text, const char* caption) {
  if (!caption) {
    MessageBoxW(nullptr, text, nullptr, MB_OK);
    return;
  }
  WideCaption wide(caption);
  MessageBoxW(nullptr, text, wide.text, MB_OK);
}

void ShowMessageBox(const HostText& text, const char* caption) {
  if (text.wide) {
    ShowMessageBox(text.units.c_str(), caption);
  } else {
    ShowMessageBox(text.bytes.c_str(), caption);
  }
}
