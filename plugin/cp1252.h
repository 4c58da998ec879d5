// Windows-1252, the code page in which the wide entry points read names on
// a disc: every byte is one UTF-16 unit, so byte and unit positions agree.
#pragma once

#include <string>

#include "platform/win32.h"

using WideString = std::basic_string<WCHAR>;

// The unit a byte decodes to; the five bytes 1252 leaves undefined become
// the C1 controls of the same value, as Windows maps them.
WCHAR DecodeCp1252(unsigned char byte);
WideString DecodeCp1252(const std::string& bytes);

// true and *byte := the byte that decodes to unit; false when none does.
bool EncodeCp1252(WCHAR unit, unsigned char* byte);
