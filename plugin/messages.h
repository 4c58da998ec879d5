// The two channels through which errors reach the user, each in the text of
// the side the call came through.
#pragma once

#include "plugin/hosttext.h"
#include "plugin/state.h"

// The host's request dialog (an OK message); the system message box with
// the root name as caption when the side has no request callback.
void ShowHostMessage(PluginState& state, const HostText& text);

// The system message box; caption may be null for the system's default.
void ShowMessageBox(const HostText& text, const char* caption);
