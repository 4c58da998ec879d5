#include "plugin/messagebox.h"

WideCaption::WideCaption(const char* ascii) {
  for (std::size_t i = 0; ascii[i] && i + 1 < sizeof text / sizeof *text; ++i) {
    text[i] = static_cast<unsigned char>(ascii[i]);
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
