// The wide message box of the look-alike: recorded as the 8-bit one is,
// its texts in UTF-8.
#include "platform/native/state.h"
#include "platform/posix/utf8.h"

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  nativewin::State().messageBoxes.push_back(nativewin::MessageBoxRecord{
      owner, text ? ToUtf8(text) : "", caption != nullptr,
      caption ? ToUtf8(caption) : "", type, true});
  return IDOK;
}
