// The parts of a whole-disc image around the file system.
#pragma once

#include <cstdint>
#include <vector>

#include "writer/writer.h"

namespace writer {

// The video partition in front of the base: an ISO 9660 volume descriptor
// set and an empty root directory, as a DVD drive finds them, to be put at
// kVideoPartitionOffset.
constexpr uint64_t kVideoPartitionOffset = uint64_t{16} * kSectorSize;
std::vector<uint8_t> VideoPartitionBytes(const DiscGeometry& geometry);

}  // namespace writer
