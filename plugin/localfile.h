// The local file a copy writes, named in the text of the side the call came
// through: 8-bit names through the runtime's narrow calls, UTF-16 names,
// whole and of any length (in the long form past MAX_PATH), through the
// wide ones.
#pragma once

#include <cstdio>

#include "plugin/hosttext.h"

bool LocalFileExists(const HostText& name);

// Removes the file; a partial one that its writer leaves no one else removes.
void RemoveLocalFile(const HostText& name);

// Empties or creates the file, then opens it for appending, unbuffered so
// that each chunk is one write straight from the stream's buffer.
std::FILE* OpenLocalFile(const HostText& name);
