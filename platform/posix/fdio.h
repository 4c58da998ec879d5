// Device positions and reads on a file descriptor with Win32 results, shared
// by the image-backed look-alike and the real Linux layer.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// The absolute position SetFilePointer asks for; false with the Win32 error
// in *error when it is negative or the move is not from the beginning.
bool SeekTarget(LONG distanceLow, const LONG* distanceHigh, DWORD moveMethod,
                std::uint64_t* target, DWORD* error);

// Reads until `bytes` are in or the file ends; false on an I/O error, with
// errno set and *got holding what came before it.
bool ReadFully(int fd, std::uint64_t position, void* buffer, DWORD bytes,
               DWORD* got);
