// Linux has no system message box and the plug-in takes no GUI toolkit:
// what goes to one on Windows goes to a stand-in that the plug-in sets.
#pragma once

#include "platform/win32.h"

// Given the 8-bit text or, from the wide message box, the wide one (the
// other is null); true when it has shown the text.
typedef bool (*MessageBoxStandIn)(const char* text, const WCHAR* wideText);

// Texts go to standard error, in UTF-8, while no stand-in is set or when it
// declines.
void SetMessageBoxStandIn(MessageBoxStandIn standIn);
