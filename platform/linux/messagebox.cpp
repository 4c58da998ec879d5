#include "platform/linux/messagebox.h"

#include <cstdio>

#include "platform/win32.h"

namespace {

MessageBoxStandIn gStandIn = nullptr;

}  // namespace

void SetMessageBoxStandIn(MessageBoxStandIn standIn) { gStandIn = standIn; }

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  if (!text) text = "";
  if (!gStandIn || !gStandIn(text, caption)) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text);
  }
  return IDOK;
}
