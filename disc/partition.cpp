#include "disc/partition.h"

#include "disc/device.h"
#include "disc/format.h"

int vepo_findpartition(Device& device, Extent* extent,
                       std::uint64_t* volumeTime, DescriptorSector* sector) {
  for (const std::uint64_t base : kPartitionBases) {
    // A read that fails or comes back short only means "not here".
    device.base = base;
    if (vepo_readvolumedescriptor(device, extent, volumeTime, sector) == 0) {
      return 0;
    }
  }
  device.base = 0;
  return 1;
}
