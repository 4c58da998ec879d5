// The two channels through which errors reach the user, each in the text of
// the side the call came through. The char and WCHAR forms allocate
// nothing, so that they can tell of memory running out.
#pragma once

#include "plugin/hosttext.h"
#include "plugin/state.h"

// The host's request dialog (an OK message); the system message box with
// the root name as caption when the side has no request callback.
void ShowHostMessage(PluginState& state, const char* text);
void ShowHostMessage(PluginState& state, const WCHAR* text);
void ShowHostMessage(PluginState& state, const HostText& text);

// The system message box; caption, short and plain ASCII, may be null for
// the system's default.
void ShowMessageBox(const char* text, const char* caption);
void ShowMessageBox(const WCHAR* text, const char* caption);
void ShowMessageBox(const HostText& text, const char* caption);
