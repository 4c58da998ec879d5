#include "disc/partition.h"

#include "disc/device.h"
#include "disc/format.h"

int vepo_findpartition(HANDLE handle, Extent* extent, std::uint64_t* volumeTime,
                       DescriptorSector* sector) {
  for (const std::uint64_t base : kPartitionBases) {
    // A read that fails or comes back short only means "not here".
    if (vepo_setdevicebase(handle, base) != 0) break;
    if (vepo_readvolumedescriptor(handle, extent, volumeTime, sector) == 0) {
      return 0;
    }
  }
  vepo_setdevicebase(handle, 0);
  return 1;
}
