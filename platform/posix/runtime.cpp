// The runtime and text calls of the seam, the same for every build that is
// not Windows.
#include "platform/win32.h"

namespace {

thread_local DWORD lastError = 0;

char FoldLetter(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

}  // namespace

LPSTR lstrcpynA(LPSTR dest, LPCSTR src, int maxLength) {
  if (maxLength <= 0) return dest;
  int n = 0;
  while (n < maxLength - 1 && src[n] != '\0') {
    dest[n] = src[n];
    ++n;
  }
  dest[n] = '\0';
  return dest;
}

void SetLastError(DWORD code) { lastError = code; }

DWORD GetLastError() { return lastError; }

int _strcmpi(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const auto x = static_cast<unsigned char>(FoldLetter(*a));
    const auto y = static_cast<unsigned char>(FoldLetter(*b));
    if (x != y || x == '\0') return x - y;
  }
}
