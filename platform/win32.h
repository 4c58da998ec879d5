// The platform seam: the Win32 calls and records the plug-in uses. On Windows
// they are the real ones; the native build supplies look-alikes backed by disc
// image files (see native/win32_native.h and native/testapi.h).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/native/win32_native.h"
#endif

#include <cstddef>
#include <cstdint>

// Heap blocks that device reads go into. Unbuffered reads need the buffer
// aligned to the device's sector size; 4096 covers every device in use.
constexpr std::size_t kBlockAlignment = 4096;
// AllocBlock refuses anything larger: the aligned allocation adds padding
// and bookkeeping to the size, which would wrap around on 32-bit and hand
// back a block far smaller than asked for.
constexpr std::size_t kMaxBlockBytes = SIZE_MAX - 2 * kBlockAlignment;
void* AllocBlock(std::size_t bytes);
void FreeBlock(void* block);
