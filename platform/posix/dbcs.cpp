#include "platform/win32.h"

BOOL IsDBCSLeadByte(BYTE) { return FALSE; }
