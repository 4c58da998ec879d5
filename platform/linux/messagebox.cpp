#include "platform/linux/messagebox.h"

#include <cstdio>
#include <string>

#include "platform/posix/utf8.h"

namespace {

MessageBoxStandIn gStandIn = nullptr;

void ToStandardError(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption.empty() ? "Error" : caption.c_str(),
               text.c_str());
}

}  // namespace

void SetMessageBoxStandIn(MessageBoxStandIn standIn) { gStandIn = standIn; }

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  if (!text) text = "";
  if (!gStandIn || !gStandIn(text, nullptr)) {
    ToStandardError(caption ? caption : "", text);
  }
  return IDOK;
}

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT) {
  static const WCHAR kEmpty[] = {0};
  if (!text) text = kEmpty;
  if (!gStandIn || !gStandIn(nullptr, text)) {
    ToStandardError(caption ? ToUtf8(caption) : "", ToUtf8(text));
  }
  return IDOK;
}
