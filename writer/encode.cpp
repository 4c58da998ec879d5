// Byte encoding of directory entries and of the volume descriptor.
#include "writer/encode.h"

#include <algorithm>
#include <cstring>

#include "writer/writer.h"

namespace writer {

namespace {

constexpr uint32_t kEntryHeaderSize = 14;

void PutLittleEndian(uint8_t* out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i)
    out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

RawEntry MakeRawEntry(const std::string& name, uint8_t attributes,
                      uint32_t startSector, uint32_t size) {
  RawEntry entry;
  entry.startSector = startSector;
  entry.size = size;
  entry.attributes = attributes;
  entry.nameLength = static_cast<uint8_t>(name.size());
  entry.name = name;
  return entry;
}

uint32_t EncodedEntrySize(uint8_t nameLength) {
  return (kEntryHeaderSize + nameLength + 3) & ~3u;
}

std::vector<uint8_t> EncodeEntry(const RawEntry& entry) {
  std::vector<uint8_t> bytes(EncodedEntrySize(entry.nameLength), 0);
  PutLittleEndian(&bytes[0], entry.leftOffset, 2);
  PutLittleEndian(&bytes[2], entry.rightOffset, 2);
  PutLittleEndian(&bytes[4], entry.startSector, 4);
  PutLittleEndian(&bytes[8], entry.size, 4);
  bytes[12] = entry.attributes;
  bytes[13] = entry.nameLength;
  const size_t nameBytes =
      std::min<size_t>(entry.name.size(), entry.nameLength);
  std::memcpy(&bytes[kEntryHeaderSize], entry.name.data(), nameBytes);
  return bytes;
}

std::vector<uint8_t> EncodeVolumeDescriptor(uint32_t rootSector,
                                            uint32_t rootSize,
                                            uint64_t timestamp,
                                            bool withSignature) {
  std::vector<uint8_t> bytes(kSectorSize, 0);
  if (withSignature) {
    std::memcpy(&bytes[0], kSignature, kSignatureSize);
    std::memcpy(&bytes[kSignatureTailOffset], kSignature, kSignatureSize);
  }
  PutLittleEndian(&bytes[20], rootSector, 4);
  PutLittleEndian(&bytes[24], rootSize, 4);
  PutLittleEndian(&bytes[28], timestamp, 8);
  return bytes;
}

}  // namespace writer
