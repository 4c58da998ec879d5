#include "disc/format.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kRootSectorField = 20;
constexpr std::size_t kRootSizeField = 24;
constexpr std::size_t kVolumeTimeField = 28;
constexpr std::size_t kSignatureLength = sizeof(kVolumeSignature) - 1;

constexpr std::uint32_t kEntryHeaderSize = 14;
constexpr std::uint16_t kFillWord = 0xFFFF;
// Fill at or below this in-sector position ends the table; above it, only
// the sector, since no entry could have started there anyway.
constexpr std::uint32_t kLastTableEndPosition = 1772;
constexpr std::uint32_t kTableChunkSectors = 16;

std::uint16_t Read16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) |
         static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 |
         static_cast<std::uint32_t>(p[3]) << 24;
}

int ParseDescriptor(const std::uint8_t* block, Extent* extent,
                    std::uint64_t* volumeTime) {
  if (std::memcmp(block, kVolumeSignature, kSignatureLength) != 0 ||
      std::memcmp(block + kSignatureTailField, kVolumeSignature,
                  kSignatureLength) != 0) {
    return 1;
  }
  extent->startSector = Read32(block + kRootSectorField);
  extent->size = Read32(block + kRootSizeField);
  extent->byteOffset = SectorToOffset(extent->startSector);
  if (volumeTime) {
    *volumeTime = Read32(block + kVolumeTimeField) |
                  std::uint64_t{Read32(block + kVolumeTimeField + 4)} << 32;
  }
  return 0;
}

DirNode NodeFromEntry(const std::uint8_t* entry) {
  DirNode node;
  node.leftOffset = Read16(entry);
  node.rightOffset = Read16(entry + 2);
  node.startSector = Read32(entry + 4);
  node.size = Read32(entry + 8);
  node.attributes = entry[12];
  node.nameLength = entry[13];
  const char* name = reinterpret_cast<const char*>(entry + kEntryHeaderSize);
  node.name.assign(name, strnlen(name, node.nameLength));
  node.byteOffset = SectorToOffset(node.startSector);
  return node;
}

}  // namespace

int vepo_readdescriptorsector(const Device& device, DescriptorSector* sector) {
  // Read into a sector-aligned block, as unbuffered reads want.
  auto* block = static_cast<std::uint8_t*>(AllocBlock(kSectorSize));
  if (!block) return 1;
  DWORD got = 0;
  if (vepo_seek(device, kVolumeDescriptorOffset) == 0) {
    ReadFile(device.handle, block, kSectorSize, &got, nullptr);
  }
  if (got >= kSectorSize) std::memcpy(sector->bytes, block, kSectorSize);
  FreeBlock(block);
  return got >= kSectorSize ? 0 : 1;
}

int vepo_readvolumedescriptor(const Device& device, Extent* extent,
                              std::uint64_t* volumeTime,
                              DescriptorSector* sector) {
  DescriptorSector read;
  if (vepo_readdescriptorsector(device, &read) != 0 ||
      ParseDescriptor(read.bytes, extent, volumeTime) != 0) {
    return 1;
  }
  if (sector) *sector = read;
  return 0;
}

void vepo_nodeextent(const DirNode& node, Extent* extent) {
  extent->size = node.size;
  extent->startSector = node.startSector;
  extent->byteOffset = SectorToOffset(node.startSector);
}

int vepo_appendchunk(void* userData, const ExtractChunk* chunk) {
  auto* table = static_cast<TableBuffer*>(userData);
  if (chunk->length > table->capacity - table->filled) return 1;
  std::memcpy(table->buffer + table->filled, chunk->data, chunk->length);
  table->filled += chunk->length;
  return 0;
}

int vepo_readdirtable(const Device& device, const Extent& extent,
                      std::vector<DirNode>& list) {
  auto* block = static_cast<std::uint8_t*>(AllocBlock(extent.size));
  if (!block) return kTableNoMemory;
  TableBuffer table{block, extent.size, 0};
  const ExtractRequest request{static_cast<std::int64_t>(extent.byteOffset),
                               extent.size, kTableChunkSectors,
                               vepo_appendchunk, &table};
  int result = kTableUnreadable;
  if (vepo_extractdata(device, &request) == 0) {
    const std::size_t before = list.size();
    result = 0;
    try {
      vepo_scandirtable(block, extent.size, list);
    } catch (const std::bad_alloc&) {
      // No half table: the caller sees the list as it was.
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(before),
                 list.end());
      result = kTableNoMemory;
    }
  }
  FreeBlock(block);
  return result;
}

void vepo_scandirtable(const std::uint8_t* table, std::uint32_t size,
                       std::vector<DirNode>& list) {
  // Offsets, not pointers, so that no position is ever formed past the end;
  // 64 bits so that no step wraps around.
  const std::uint64_t end = size;
  std::uint64_t at = 0;
  while (at + kEntryHeaderSize <= end) {
    const std::uint64_t inSector = at % kSectorSize;
    if (Read16(table + at) == kFillWord) {
      if (inSector <= kLastTableEndPosition) return;
      at += kSectorSize - inSector;
      if (at + kEntryHeaderSize > end) return;
      if (Read16(table + at) == kFillWord) return;
    }
    const std::uint32_t nameLength = table[at + 13];
    if (at + kEntryHeaderSize + nameLength > end) return;
    list.push_back(NodeFromEntry(table + at));
    at += (kEntryHeaderSize + nameLength + 3) / 4 * 4;
  }
}
