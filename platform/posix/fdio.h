// Device positions and reads on a file descriptor with Win32 results, shared
// by the image-backed look-alike and the real Linux layer.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// The absolute position SetFilePointer asks for; false, with the last error
// set, when the handle is not a live one, the position is negative or the
// move is not from the beginning.
bool SeekTarget(bool liveHandle, LONG distanceLow, const LONG* distanceHigh,
                DWORD moveMethod, std::uint64_t* target);

// Moves *position to target and gives SetFilePointer's result: the low part,
// and the high part in *distanceHigh when given.
DWORD MoveTo(std::uint64_t target, PLONG distanceHigh, std::uint64_t* position);

// A regular file opened read-only: an image file as a device. -1 with errno
// set when it cannot be opened or is no regular file (EISDIR).
int OpenRegularFile(const char* path);

// Reads until `bytes` are in or the file ends; false on an I/O error, with
// errno set and *got holding what came before it.
bool ReadFully(int fd, std::uint64_t position, void* buffer, DWORD bytes,
               DWORD* got);
