// Linux has no system message box and the plug-in takes no GUI toolkit:
// what goes to one on Windows goes to a stand-in that the plug-in sets.
#pragma once

// true when the stand-in has shown the text.
typedef bool (*MessageBoxStandIn)(const char* text, const char* caption);

// Texts go to standard error while no stand-in is set, or when it declines.
void SetMessageBoxStandIn(MessageBoxStandIn standIn);
