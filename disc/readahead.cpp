#include "disc/readahead.h"

namespace {

// The worker's buffers: the one the callback holds, the one being read and
// two in hand for a slow patch of the device.
constexpr int kAheadBuffers = 4;

// A read handed from the worker to the caller: a chunk, or the failure that
// ended the reads.
struct Slot {
  ExtractChunk chunk;
  int code;
};

// Shared under the worker's lock: filled, stop, waiting. The worker alone
// writes the slots it has not yet counted in filled; the caller alone reads
// those it has.
struct Ring {
  Device device;
  const ExtractRequest* request;
  StreamCursor cursor;  // the worker's
  std::uint8_t* buffers[kAheadBuffers];
  std::uint32_t bufferSize;
  Slot slots[kAheadBuffers];
  int filled;
  bool stop;
  // Sides asleep on the condition. A side wakes the other only then, which
  // saves a system call per chunk while both keep up.
  int waiting;
};

// With the lock held.
void Wait(Worker* worker, Ring& ring) {
  ++ring.waiting;
  WaitWorker(worker);
  --ring.waiting;
}

// Counts a slot in or out and wakes the other side if it sleeps.
void Count(Worker* worker, Ring& ring, int change) {
  LockWorker(worker);
  ring.filled += change;
  if (ring.waiting) WakeWorker(worker);
  UnlockWorker(worker);
}

void ReadAhead(Worker* worker, void* context) {
  Ring& ring = *static_cast<Ring*>(context);
  for (int next = 0;; next = (next + 1) % kAheadBuffers) {
    LockWorker(worker);
    while (ring.filled == kAheadBuffers && !ring.stop) Wait(worker, ring);
    const bool stop = ring.stop;
    UnlockWorker(worker);
    if (stop) return;
    Slot& slot = ring.slots[next];
    slot.code = ReadChunk(ring.device, ring.cursor, ring.buffers[next],
                          ring.bufferSize, slot.chunk);
    Count(worker, ring, 1);
    if (slot.code != 0 || slot.chunk.last) return;
  }
}

// Owns the worker and its buffers: stops and joins the worker on every way
// out that has not joined it yet, then frees the buffers.
struct Ahead {
  Ring ring;
  Worker* worker = nullptr;

  ~Ahead() {
    if (worker) {
      // The worker ends after the read it is in, if any.
      LockWorker(worker);
      ring.stop = true;
      WakeWorker(worker);
      UnlockWorker(worker);
      JoinWorker(worker);
    }
    for (std::uint8_t* buffer : ring.buffers) FreeBlock(buffer);
  }

  // True when the worker runs from cursor on.
  bool Start(const StreamCursor& cursor) {
    for (std::uint8_t*& buffer : ring.buffers) {
      buffer = static_cast<std::uint8_t*>(AllocBlock(ring.bufferSize));
      if (!buffer) return false;
    }
    ring.cursor = cursor;
    worker = StartWorker(ReadAhead, &ring);
    return worker != nullptr;
  }

  // Hands each slot to the callback in order; the result of the stream.
  int Deliver() {
    for (int next = 0;; next = (next + 1) % kAheadBuffers) {
      LockWorker(worker);
      while (ring.filled == 0) Wait(worker, ring);
      UnlockWorker(worker);
      const Slot& slot = ring.slots[next];
      // The worker reads nothing after this slot.
      if (slot.code != 0 || slot.chunk.last) {
        JoinWorker(worker);
        worker = nullptr;
      }
      if (slot.code != 0) return slot.code;
      const int answer =
          ring.request->callback(ring.request->userData, &slot.chunk);
      if (answer != 0 || slot.chunk.last) return answer;
      Count(worker, ring, -1);
    }
  }
};

// Reads that brought `bytes` in `micros` together brought fewer than
// slowBelow bytes per millisecond.
bool Slow(std::uint64_t micros, std::uint64_t bytes, std::uint32_t slowBelow) {
  return (micros + 1) * slowBelow > bytes * 1000;
}

}  // namespace

int StreamRange(const Device& device, const ExtractRequest& request,
                std::uint8_t* buffer, std::uint32_t bufferSize,
                std::uint32_t slowBelow) {
  Ahead ahead{{device, &request, {}, {}, bufferSize, {}, 0, false, 0}};
  StreamCursor cursor{static_cast<std::uint64_t>(request.startOffset),
                      request.byteCount, 0};
  std::uint64_t readMicros = 0;
  std::uint64_t readBytes = 0;
  for (bool quick = true;;) {
    ExtractChunk chunk{};
    const std::uint64_t start = MonotonicMicroseconds();
    const int code = ReadChunk(device, cursor, buffer, bufferSize, chunk);
    if (code != 0) return code;
    readMicros += MonotonicMicroseconds() - start;
    readBytes += chunk.length;
    // Judged on all reads so far from the second on, so that neither the
    // first positioning nor a hiccup of a fast device decides alone. The
    // worker reads the next chunks while the callback has this one.
    if (quick && chunk.index > 0 && !chunk.last &&
        Slow(readMicros, readBytes, slowBelow)) {
      quick = false;
      if (ahead.Start(cursor)) {
        const int answer = request.callback(request.userData, &chunk);
        return answer != 0 ? answer : ahead.Deliver();
      }
    }
    const int answer = request.callback(request.userData, &chunk);
    if (answer != 0 || chunk.last) return answer;
  }
}
