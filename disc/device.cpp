#include "disc/device.h"

#include "disc/dirnode.h"
#include "disc/readahead.h"

namespace {

// Large enough for any caller, small enough that a read size fits a DWORD.
constexpr std::uint32_t kMaxChunkSectors = 65536;

// Reads that bring less than this, 62.5 MiB/s, come from a device slow
// enough that reading ahead of the callback pays for its thread: a DVD
// drive reads about 21 MB/s. Faster ones (a cached image) stay in turn, as
// the hand-over would cost more than the overlap gains.
constexpr std::uint32_t kSlowReadBytesPerMs = 65536;

std::uint64_t RoundUpToSector(std::uint64_t bytes) {
  return (bytes + kSectorSize - 1) / kSectorSize * kSectorSize;
}

}  // namespace

Device vepo_opendevice(const char* path) {
  HANDLE handle = CreateFileA(
      path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_ATTRIBUTE_READONLY, nullptr);
  return Device{handle == INVALID_HANDLE_VALUE ? nullptr : handle, 0};
}

void vepo_closedevice(Device& device) {
  if (device.handle) CloseHandle(device.handle);
  device = Device();
}

int vepo_mediachangecount(const Device& device, std::uint32_t* count) {
  DWORD changes = 0;
  DWORD returned = 0;
  if (!DeviceIoControl(device.handle, IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0,
                       &changes, sizeof changes, &returned, nullptr) ||
      returned < sizeof changes) {
    return 1;
  }
  *count = changes;
  return 0;
}

int vepo_seek(const Device& device, std::int64_t offset) {
  const std::uint64_t position =
      device.base + static_cast<std::uint64_t>(offset);
  LONG high = static_cast<LONG>(position >> 32);
  const DWORD low = SetFilePointer(
      device.handle, static_cast<LONG>(static_cast<std::uint32_t>(position)),
      &high, FILE_BEGIN);
  // Positions and bases are sector multiples, so a low part of all ones is
  // a failure.
  return low == INVALID_SET_FILE_POINTER ? 1 : 0;
}

int ReadChunk(const Device& device, StreamCursor& cursor, std::uint8_t* buffer,
              std::uint32_t bufferSize, ExtractChunk& chunk) {
  const std::uint32_t skip =
      static_cast<std::uint32_t>(cursor.position % kSectorSize);
  if (vepo_seek(device, static_cast<std::int64_t>(cursor.position - skip)) !=
      0) {
    return kExtractSeekFailed;
  }
  // Only the sectors that hold the rest of the range.
  std::uint64_t wanted = RoundUpToSector(skip + cursor.remaining);
  if (wanted > bufferSize) wanted = bufferSize;
  DWORD got = 0;
  ReadFile(device.handle, buffer, static_cast<DWORD>(wanted), &got, nullptr);
  if (got > wanted) got = static_cast<DWORD>(wanted);
  // A read that brings nothing past the skipped bytes makes no progress.
  if (got <= skip) return kExtractReadFailed;
  cursor.position = cursor.position - skip + got;

  const std::uint64_t available = got - skip;
  chunk.data = buffer + skip;
  chunk.last = available >= cursor.remaining ? 1 : 0;
  chunk.length =
      static_cast<std::uint32_t>(chunk.last ? cursor.remaining : available);
  chunk.index = cursor.index++;
  cursor.remaining -= chunk.length;
  return 0;
}

int vepo_extractdata(const Device& device, const ExtractRequest* request) {
  if (request->chunkSectors == 0 || request->chunkSectors > kMaxChunkSectors) {
    return kExtractNoMemory;
  }
  const std::uint32_t bufferSize = request->chunkSectors * kSectorSize;
  auto* buffer = static_cast<std::uint8_t*>(AllocBlock(bufferSize));
  if (!buffer) return kExtractNoMemory;
  int result = 0;
  if (request->byteCount == 0) {
    // Nothing to read: one empty final chunk.
    ExtractChunk chunk{buffer, 0, 1, 0};
    result = request->callback(request->userData, &chunk);
  } else {
    result =
        StreamRange(device, *request, buffer, bufferSize, kSlowReadBytesPerMs);
  }
  FreeBlock(buffer);
  return result;
}
