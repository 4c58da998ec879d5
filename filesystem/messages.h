// The file-system plug-in's two channels to the user, each in the text of
// the side the call came through: the host's request dialog, and the system
// message box (plugin/messagebox.h).
#pragma once

#include "filesystem/state.h"
#include "plugin/hosttext.h"
#include "plugin/messagebox.h"

// The host's request dialog (an OK message); the system message box with
// the root name as caption when the side has no request callback.
void ShowHostMessage(PluginState& state, const char* text);
void ShowHostMessage(PluginState& state, const WCHAR* text);
void ShowHostMessage(PluginState& state, const HostText& text);
