// Streaming a range so that a slow device and a slow callback (a copy
// writing to a slow disk) overlap instead of taking turns: once reads turn
// out slow, a worker thread reads a few chunks ahead of the callback.
// vepo_extractdata streams through it.
#pragma once

#include <cstdint>

#include "disc/device.h"

// Where a stream stands between two reads.
struct StreamCursor {
  std::uint64_t position;
  std::uint64_t remaining;
  std::uint32_t index;
};

// One pass of the stream: positions the device, reads the sectors that hold
// the rest of the range into buffer and fills chunk. 0, kExtractSeekFailed
// or kExtractReadFailed.
int ReadChunk(const Device& device, StreamCursor& cursor, std::uint8_t* buffer,
              std::uint32_t bufferSize, ExtractChunk& chunk);

// Streams the range: chunks, reads and result are those of reading in turn
// with the one buffer given. Reads run in turn with the callback while they
// bring, together, at least slowBelow bytes per millisecond (0: always in
// turn). Once two or more of them bring less, unless the last held the
// final chunk, a worker reads the rest into buffers of its own, a few
// chunks ahead; with no worker or buffers to be had, reads stay in turn.
//
// The callback runs on the calling thread, chunk after chunk. Only the
// worker touches the device while it runs, and it has been joined before
// the callback gets the final chunk, so that callback may read the device
// itself. Every way out (the callback's stop, a failed read, the end, an
// exception) joins the worker before the function returns.
int StreamRange(const Device& device, const ExtractRequest& request,
                std::uint8_t* buffer, std::uint32_t bufferSize,
                std::uint32_t slowBelow);
