#include "disc/device.h"

#include "disc/dirnode.h"
#include "disc/readahead.h"

namespace {

// Large enough for any caller, small enough that a read size fits a DWORD.
constexpr std::uint32_t kMaxChunkSectors = 65536;

// Reading ahead overlaps a chunk's read with the callback of the one
// before, and each chunk handed between the threads costs about 7 us: it
// pays where both sides take clearly longer, 100 us a 64 KiB chunk being
// 625 MiB/s, whatever the device. A cached image reads, and the page cache
// takes a write, in a fraction of that, so such copies stay in turn.
// Starting the thread takes about 0.75 ms under Wine.
constexpr OverlapRule kOverlap{100, 1000};

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
    result = StreamRange(device, *request, buffer, bufferSize, kOverlap);
  }
  FreeBlock(buffer);
  return result;
}
