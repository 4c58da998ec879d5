#include "disc/readahead.h"

namespace {

constexpr int kMaxAhead = 8;

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
  HANDLE handle;
  const ExtractRequest* request;
  std::uint8_t* const* buffers;
  int count;
  std::uint32_t bufferSize;
  Slot slots[kMaxAhead];
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
  StreamCursor cursor{static_cast<std::uint64_t>(ring.request->startOffset),
                      ring.request->byteCount, 0};
  for (int next = 0;; next = (next + 1) % ring.count) {
    LockWorker(worker);
    while (ring.filled == ring.count && !ring.stop) Wait(worker, ring);
    const bool stop = ring.stop;
    UnlockWorker(worker);
    if (stop) return;
    Slot& slot = ring.slots[next];
    slot.code = ReadChunk(ring.handle, cursor, ring.buffers[next],
                          ring.bufferSize, slot.chunk);
    Count(worker, ring, 1);
    if (slot.code != 0 || slot.chunk.last) return;
  }
}

// Stops the worker and joins it on every way out that has not joined it
// yet, a throwing callback included.
struct Joiner {
  Worker* worker;
  Ring& ring;
  ~Joiner() {
    if (!worker) return;
    // The worker ends after the read it is in, if any.
    LockWorker(worker);
    ring.stop = true;
    WakeWorker(worker);
    UnlockWorker(worker);
    JoinWorker(worker);
  }
};

// Hands each slot to the callback in order; the result of the stream.
int Deliver(Joiner& joiner) {
  Worker* const worker = joiner.worker;
  Ring& ring = joiner.ring;
  for (int next = 0;; next = (next + 1) % ring.count) {
    LockWorker(worker);
    while (ring.filled == 0) Wait(worker, ring);
    UnlockWorker(worker);
    const Slot& slot = ring.slots[next];
    // The worker reads nothing after this slot.
    if (slot.code != 0 || slot.chunk.last) {
      JoinWorker(worker);
      joiner.worker = nullptr;
    }
    if (slot.code != 0) return slot.code;
    const int answer =
        ring.request->callback(ring.request->userData, &slot.chunk);
    if (answer != 0 || slot.chunk.last) return answer;
    Count(worker, ring, -1);
  }
}

}  // namespace

int StreamInTurn(HANDLE handle, const ExtractRequest& request,
                 std::uint8_t* buffer, std::uint32_t bufferSize) {
  StreamCursor cursor{static_cast<std::uint64_t>(request.startOffset),
                      request.byteCount, 0};
  for (;;) {
    ExtractChunk chunk{};
    const int code = ReadChunk(handle, cursor, buffer, bufferSize, chunk);
    if (code != 0) return code;
    const int answer = request.callback(request.userData, &chunk);
    if (answer != 0 || chunk.last) return answer;
  }
}

int StreamAhead(HANDLE handle, const ExtractRequest& request,
                std::uint8_t* const* buffers, int count,
                std::uint32_t bufferSize) {
  if (count > kMaxAhead) count = kMaxAhead;
  Ring ring{handle, &request, buffers, count, bufferSize, {}, 0, false, 0};
  Worker* worker = count > 1 ? StartWorker(ReadAhead, &ring) : nullptr;
  if (!worker) return StreamInTurn(handle, request, buffers[0], bufferSize);
  Joiner joiner{worker, ring};
  return Deliver(joiner);
}
