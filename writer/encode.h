// Byte encodings: directory entries, tables of them, the volume descriptor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disc/format.h"

namespace writer {

// The signature stands at both of these offsets of the volume descriptor,
// as the reader checks it.
constexpr const char* kSignature = kVolumeSignature;
constexpr std::uint32_t kSignatureSize = sizeof kVolumeSignature - 1;
constexpr std::uint32_t kSignatureTailOffset = kSignatureTailField;

// A directory entry with every field explicit. nameLength need not match
// name: the entry takes 14 + nameLength bytes rounded up to 4 and holds the
// first nameLength bytes of name, padded with zeros.
struct RawEntry {
  std::uint16_t leftOffset = 0;
  std::uint16_t rightOffset = 0;
  std::uint32_t startSector = 0;
  std::uint32_t size = 0;
  std::uint8_t attributes = 0;
  std::uint8_t nameLength = 0;
  std::string name;
};

RawEntry MakeRawEntry(const std::string& name, std::uint8_t attributes,
                      std::uint32_t startSector, std::uint32_t size);
std::uint32_t EncodedEntrySize(std::uint8_t nameLength);
std::vector<std::uint8_t> EncodeEntry(const RawEntry& entry);

struct TableLayout {
  std::vector<std::uint8_t> bytes;  // whole sectors, unused bytes 0xFF
  std::vector<std::uint32_t> entryOffsets;
};

// Places the entries in the given order; an entry that does not fit in the
// rest of a sector starts the next one. No entries: one sector of 0xFF.
TableLayout LayoutTable(const std::vector<RawEntry>& entries);

std::vector<std::uint8_t> EncodeVolumeDescriptor(std::uint32_t rootSector,
                                                 std::uint32_t rootSize,
                                                 std::uint64_t timestamp,
                                                 bool withSignature);

}  // namespace writer
