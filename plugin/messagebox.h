// The system message box, the one channel to the user that every plug-in
// kind has whatever its host gives. The char and WCHAR forms allocate
// nothing, so that they can tell of memory running out.
#pragma once

#include "plugin/hosttext.h"

// An ASCII caption or title in UTF-16, in place.
struct WideCaption {
  WCHAR text[64] = {};
  explicit WideCaption(const char* ascii);
};

// Caption, short and plain ASCII, may be null for the system's default.
void ShowMessageBox(const char* text, const char* caption);
void ShowMessageBox(const WCHAR* text, const char* caption);
void ShowMessageBox(const HostText& text, const char* caption);
