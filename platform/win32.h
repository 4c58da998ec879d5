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

// A thread that overlaps work within one call, with a lock and a condition
// variable to hand the work over. Whoever starts a worker joins it before
// returning, so no thread outlives the call that made it. On Windows the
// hand-over is an SRW lock and a CONDITION_VARIABLE, not events: every wait
// on a kernel object is a round trip to Wine's server.
struct Worker;
// Runs body(worker, context) on a thread of its own; null when no thread
// can be had.
Worker* StartWorker(void (*body)(Worker* worker, void* context), void* context);
void LockWorker(Worker* worker);
void UnlockWorker(Worker* worker);
// With the lock held: releases it until woken, then takes it again. Callers
// test their condition in a loop, as a wake may come for the other side.
void WaitWorker(Worker* worker);
void WakeWorker(Worker* worker);
// Waits for the body to return and releases the worker.
void JoinWorker(Worker* worker);
// One process-wide lock over the little state that entry points share
// across the host's threads; held only while that state is read or written.
void LockSharedState();
void UnlockSharedState();
struct SharedStateGuard {
  SharedStateGuard() { LockSharedState(); }
  ~SharedStateGuard() { UnlockSharedState(); }
  SharedStateGuard(const SharedStateGuard&) = delete;
  SharedStateGuard& operator=(const SharedStateGuard&) = delete;
};
// A clock that only goes forward, for timing reads.
std::uint64_t MonotonicMicroseconds();

// Local files a pack writes. Moves an open file's position to an absolute
// 64-bit offset; past the end, the gap reads as zeros.
bool SeekLocalFile(std::FILE* file, std::uint64_t offset);
// Writes the file's buffers and the system's cache of it to the disk.
bool FlushLocalFile(std::FILE* file);
// Renames from to to, replacing a file already named to in one step.
bool ReplaceLocalFile(const char* from, const char* to);
bool ReplaceLocalFile(const WCHAR* from, const WCHAR* to);
// Whether a local name is a folder and, for a file, its size; false when it
// names nothing. A link counts as what it points at.
bool StatLocalFile(const char* name, bool* folder, std::uint64_t* size);
bool StatLocalFile(const WCHAR* name, bool* folder, std::uint64_t* size);
// Removes an empty local folder.
bool RemoveLocalFolder(const char* name);
bool RemoveLocalFolder(const WCHAR* name);
