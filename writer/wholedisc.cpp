// Whole-disc layouts: where each generation keeps its file system, and the
// video partition that comes first on such a disc.
#include "writer/wholedisc.h"

#include <cstring>
#include <vector>

namespace writer {

namespace {

constexpr uint32_t kIsoRootSector =
    static_cast<uint32_t>(kVideoPartitionOffset / kSectorSize) + 2;
constexpr uint32_t kIsoRootRecordOffset = 156;
constexpr uint8_t kIsoDirectoryFlag = 0x02;

// ISO 9660 numbers are stored both little- and big-endian, one after the
// other.
void PutBothEndian(uint8_t* out, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    out[i] = static_cast<uint8_t>(value >> (8 * i));
    out[2 * width - 1 - i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

std::vector<uint8_t> IsoDescriptorHeader(uint8_t type) {
  std::vector<uint8_t> sector(kSectorSize, 0);
  sector[0] = type;
  std::memcpy(&sector[1], "CD001", 5);
  sector[6] = 1;
  return sector;
}

// A directory record of the root; name 0 is "." and 1 is "..".
void PutRootRecord(uint8_t* out, uint8_t name) {
  out[0] = 34;
  PutBothEndian(&out[2], kIsoRootSector, 4);
  PutBothEndian(&out[10], kSectorSize, 4);
  out[25] = kIsoDirectoryFlag;
  PutBothEndian(&out[28], 1, 2);
  out[32] = 1;
  out[33] = name;
}

}  // namespace

std::vector<uint8_t> VideoPartitionBytes(const DiscGeometry& geometry) {
  const auto partitionSectors =
      static_cast<uint32_t>(geometry.partitionBase / kSectorSize);
  std::vector<uint8_t> primary = IsoDescriptorHeader(1);
  std::memset(&primary[8], ' ', 64);  // system and volume identifiers
  std::memcpy(&primary[40], "DVD_VIDEO", 9);
  PutBothEndian(&primary[80], partitionSectors, 4);
  PutBothEndian(&primary[120], 1, 2);  // volume set size
  PutBothEndian(&primary[124], 1, 2);  // volume sequence number
  PutBothEndian(&primary[128], kSectorSize, 2);
  PutRootRecord(&primary[kIsoRootRecordOffset], 0);
  primary[881] = 1;  // file structure version
  const std::vector<uint8_t> terminator = IsoDescriptorHeader(255);
  std::vector<uint8_t> root(kSectorSize, 0);
  PutRootRecord(&root[0], 0);
  PutRootRecord(&root[34], 1);
  primary.insert(primary.end(), terminator.begin(), terminator.end());
  primary.insert(primary.end(), root.begin(), root.end());
  return primary;
}

DiscGeometry GeometryOf(DiscLayout layout) {
  switch (layout) {
    case DiscLayout::kPlain:
      break;
    case DiscLayout::kXgd1:
      return {0x18300000, 7825162240};
    case DiscLayout::kXgd2:
      return {0xFD90000, 7835492352};
    case DiscLayout::kXgd3:
      return {0x2080000, 8738846720};
  }
  return {};
}

bool ParseLayout(const std::string& name, DiscLayout* layout) {
  static const struct {
    const char* name;
    DiscLayout layout;
  } kNames[] = {{"plain", DiscLayout::kPlain},
                {"xgd1", DiscLayout::kXgd1},
                {"xgd2", DiscLayout::kXgd2},
                {"xgd3", DiscLayout::kXgd3}};
  for (const auto& known : kNames) {
    if (name == known.name) {
      *layout = known.layout;
      return true;
    }
  }
  return false;
}

}  // namespace writer
