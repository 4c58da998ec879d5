#include "disc/drivecache.h"

#include <cstring>
#include <string>

#include "disc/device.h"
#include "disc/tree.h"

namespace {

struct MountedDisc {
  DirNode root;
  std::uint64_t volumeTime = 0;
  DescriptorSector descriptor = {};
  bool countKnown = false;
  std::uint32_t mediaChanges = 0;
};

// Mounts the device's disc; the device is closed unless that succeeds, also
// when the mount throws. The count is taken first, so that a change during
// the mount shows at the next check.
int MountOrClose(Device& device, MountedDisc& disc) {
  disc.countKnown = vepo_mediachangecount(device, &disc.mediaChanges) == 0;
  int result = 1;
  try {
    result = vepo_mount(device, disc.root, &disc.volumeTime, &disc.descriptor);
  } catch (...) {
    vepo_closedevice(device);
    throw;
  }
  if (result != 0) vepo_closedevice(device);
  return result;
}

}  // namespace

DriveCache::~DriveCache() { CloseDrive(*this); }

const Device* OpenDrive(DriveCache& cache, const char* driveName,
                        DirNode** rootOut) {
  if (cache.device.handle && _strcmpi(cache.driveName, driveName) == 0 &&
      (!cache.checkDue || DiscUnchanged(cache))) {
    cache.checkDue = false;
    if (rootOut) *rootOut = &cache.root;
    return &cache.device;
  }
  // Another drive, or another disc: a handle the system invalidated on the
  // change is replaced too.
  CloseDrive(cache);
  const std::string devicePath = std::string("\\\\.\\") + driveName;
  Device device = vepo_opendevice(devicePath.c_str());
  if (!device.handle) return nullptr;
  lstrcpynA(cache.driveName, driveName, sizeof cache.driveName);
  MountedDisc disc;
  if (MountOrClose(device, disc) != 0) return nullptr;
  // The cache takes the device only once the disc is wholly mounted.
  cache.device = device;
  cache.root = std::move(disc.root);
  cache.volumeTime = disc.volumeTime;
  cache.descriptor = disc.descriptor;
  cache.countKnown = disc.countKnown;
  cache.mediaChanges = disc.mediaChanges;
  cache.checkDue = false;
  if (rootOut) *rootOut = &cache.root;
  return &cache.device;
}

void CloseDrive(DriveCache& cache) {
  if (!cache.device.handle) return;
  vepo_closedevice(cache.device);
  cache.root = DirNode();
  cache.volumeTime = 0;
  cache.countKnown = false;
}

void CheckDiscOnNextOpen(DriveCache& cache) { cache.checkDue = true; }

bool DiscUnchanged(const DriveCache& cache) {
  if (!cache.device.handle) return false;
  std::uint32_t count = 0;
  if (cache.countKnown && vepo_mediachangecount(cache.device, &count) == 0) {
    return count == cache.mediaChanges;
  }
  DescriptorSector now;
  return vepo_readdescriptorsector(cache.device, &now) == 0 &&
         std::memcmp(now.bytes, cache.descriptor.bytes, kSectorSize) == 0;
}
