// UTF-16 text as the UTF-8 bytes that Linux names and messages are.
#pragma once

#include <string>

#include "platform/win32.h"

std::string ToUtf8(const WCHAR* text);
