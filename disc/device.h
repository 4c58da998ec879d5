// Raw, unbuffered, sector-aligned access to a drive and the streaming of a
// byte range of it to a callback.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// An open device as its owner holds it. A device may hold the disc's file
// system at a base further in, as a whole-disc image does: every position
// given to vepo_seek, and so every read, counts from the base, like a block
// device with an offset. The base travels with the handle, so any number of
// devices may be open at once, on any threads, and a handle value the
// system reuses brings no old base with it.
struct Device {
  // The absence of a device is the null handle.
  HANDLE handle = nullptr;
  std::uint64_t base = 0;
};

// A drive's raw device, with base 0.
Device vepo_opendevice(const char* path);
// Closes the handle, if any, and leaves the device empty.
void vepo_closedevice(Device& device);

// 0 and *count := how many times the device's medium has changed, as far as
// the system counts; 1 when it keeps no such count (or will not say).
int vepo_mediachangecount(const Device& device, std::uint32_t* count);

// 0 done, 1 failed. The offset counts from the device's base.
int vepo_seek(const Device& device, std::int64_t offset);

struct ExtractChunk {
  const std::uint8_t* data;
  std::uint32_t length;
  std::uint8_t last;
  std::uint32_t index;
};

// 0 goes on; any other value stops the stream and becomes its result.
typedef int (*ExtractCallback)(void* userData, const ExtractChunk* chunk);

struct ExtractRequest {
  std::int64_t startOffset;
  std::uint32_t byteCount;
  std::uint32_t chunkSectors;
  ExtractCallback callback;
  void* userData;
};

// The stream's own failures lie above 10, clear of the callbacks' values.
constexpr int kExtractNoMemory = 11;
constexpr int kExtractSeekFailed = 12;
constexpr int kExtractReadFailed = 13;

// Result: 0 when every chunk was delivered, the callback's non-zero value,
// or one of the codes above. The callback runs on the calling thread, chunk
// after chunk. From a slow device the later chunks are read ahead on a
// worker thread (disc/readahead.h); it is joined before the callback gets
// the chunk with last = 1, so that callback may read the handle itself, and
// before the call returns on any other way out.
int vepo_extractdata(const Device& device, const ExtractRequest* request);
