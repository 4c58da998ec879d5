// The platform seam: the Win32 calls and records the plug-in uses. On Windows
// they are the real ones; the native build supplies look-alikes backed by disc
// image files (see native/win32_native.h and native/testapi.h), and the Linux
// plug-in the same calls over real drives and loop devices (linux/). Both
// declare them in native/win32_native.h and share posix/.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/native/win32_native.h"
#endif

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Heap blocks that device reads go into. Unbuffered reads need the buffer
// aligned to the device's sector size; 4096 covers every device in use.
constexpr std::size_t kBlockAlignment = 4096;
// AllocBlock refuses anything larger: the aligned allocation adds padding
// and bookkeeping to the size, which would wrap around on 32-bit and hand
// back a block far smaller than asked for.
constexpr std::size_t kMaxBlockBytes = SIZE_MAX - 2 * kBlockAlignment;
void* AllocBlock(std::size_t bytes);
void FreeBlock(void* block);

// Sets the last-write time of an open local file to a FILETIME (UTC), for
// hosts that leave a written file's time to the plug-in. false when the
// system refuses.
bool SetLocalFileTime(std::FILE* file, std::uint64_t fileTime);
