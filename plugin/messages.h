// The two channels through which errors reach the user.
#pragma once

#include "plugin/state.h"

// The host's request dialog (an OK message); the system message box with
// the root name as caption when no host callback has been stored yet.
void ShowHostMessage(PluginState& state, const char* text);

// The system message box; caption may be null for the system's default.
void ShowMessageBox(const char* text, const char* caption);
