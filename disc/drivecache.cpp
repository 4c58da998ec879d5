#include "disc/drivecache.h"

#include <string>

#include "disc/device.h"
#include "disc/tree.h"

namespace {

// Mounts the device's disc into root; the device is closed unless that
// succeeds, also when the mount throws.
int MountOrClose(HANDLE device, DirNode& root) {
  int result = 1;
  try {
    result = vepo_mount(device, root);
  } catch (...) {
    vepo_closedevice(device);
    throw;
  }
  if (result != 0) vepo_closedevice(device);
  return result;
}

}  // namespace

DriveCache::~DriveCache() { CloseDrive(*this); }

HANDLE OpenDrive(DriveCache& cache, const char* driveName, DirNode** rootOut) {
  if (cache.handle && _strcmpi(cache.driveName, driveName) == 0) {
    if (rootOut) *rootOut = &cache.root;
    return cache.handle;
  }
  CloseDrive(cache);
  const std::string devicePath = std::string("\\\\.\\") + driveName;
  HANDLE handle = vepo_opendevice(devicePath.c_str());
  if (!handle) return nullptr;
  lstrcpynA(cache.driveName, driveName, sizeof cache.driveName);
  DirNode mounted;
  if (MountOrClose(handle, mounted) != 0) return nullptr;
  // The cache takes the handle only once the disc is wholly mounted.
  cache.handle = handle;
  cache.root = std::move(mounted);
  if (rootOut) *rootOut = &cache.root;
  return cache.handle;
}

void CloseDrive(DriveCache& cache) {
  if (!cache.handle) return;
  vepo_closedevice(cache.handle);
  cache.handle = nullptr;
  cache.root = DirNode();
}
