// Streaming a range with the reads on a worker thread, a few chunks ahead of
// the callback, so that a slow device and a slow callback (a copy writing to
// a slow disk) overlap instead of taking turns. Used by vepo_extractdata.
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
int ReadChunk(HANDLE handle, StreamCursor& cursor, std::uint8_t* buffer,
              std::uint32_t bufferSize, ExtractChunk& chunk);

// The same chunks, reads and result as the stream read in turn with one
// buffer; the reads go into the `count` buffers in turn, on a worker. The
// callback runs on the calling thread, and only the worker touches the
// handle until the callback gets the final chunk: by then the worker has
// been joined, so that callback may use the handle itself. Every way out
// (the callback's stop, a failed read, the end) joins the worker before the
// function returns. With no worker to be had, reads in turn.
int StreamAhead(HANDLE handle, const ExtractRequest& request,
                std::uint8_t* const* buffers, int count,
                std::uint32_t bufferSize);

// Reads in turn into one buffer.
int StreamInTurn(HANDLE handle, const ExtractRequest& request,
                 std::uint8_t* buffer, std::uint32_t bufferSize);
