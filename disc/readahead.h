// Streaming a range so that a slow device and a slow callback (a copy
// writing to a slow disk) overlap instead of taking turns: once both turn
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

// When reading ahead pays. Each chunk handed over costs the two threads a
// little, so both sides must take longer than that; starting the worker
// costs more, so the rest of the range must make up for it.
struct OverlapRule {
  // Both a chunk's read and its callback take at least this long.
  std::uint32_t chunkMicros;
  // The rest of the range, at the pace of the quicker side, takes as long.
  std::uint32_t startMicros;
};

// Streams the range: chunks, reads and result are those of reading in turn
// with the one buffer given. Reads run in turn with the callback until two
// chunks in a row each took at least rule.chunkMicros to read and to
// deliver, the next chunk's read took as long, and the chunks still to
// come, each at the quicker side's latest time, take at least
// rule.startMicros. Then, unless the chunk just read is the final one, a
// worker reads the rest into buffers of its own, a few chunks ahead; with
// no worker or buffers to be had, reads stay in turn.
//
// The callback runs on the calling thread, chunk after chunk. Only the
// worker touches the device while it runs, and it has been joined before
// the callback gets the final chunk, so that callback may read the device
// itself. Every way out (the callback's stop, a failed read, the end, an
// exception) joins the worker before the function returns.
int StreamRange(const Device& device, const ExtractRequest& request,
                std::uint8_t* buffer, std::uint32_t bufferSize,
                const OverlapRule& rule);
