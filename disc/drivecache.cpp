#include "disc/drivecache.h"

#include <string>

#include "disc/device.h"
#include "disc/tree.h"

DriveCache::~DriveCache() { CloseDrive(*this); }

HANDLE OpenDrive(DriveCache& cache, const char* driveName, DirNode** rootOut) {
  if (cache.handle && _strcmpi(cache.driveName, driveName) == 0) {
    if (rootOut) *rootOut = &cache.root;
    return cache.handle;
  }
  CloseDrive(cache);
  const std::string devicePath = std::string("\\\\.\\") + driveName;
  cache.handle = vepo_opendevice(devicePath.c_str());
  if (!cache.handle) return nullptr;
  lstrcpynA(cache.driveName, driveName, sizeof cache.driveName);
  DirNode mounted;
  std::uint64_t volumeTime = 0;
  if (vepo_mount(cache.handle, mounted, &volumeTime) != 0) {
    vepo_closedevice(cache.handle);
    cache.handle = nullptr;
    return nullptr;
  }
  cache.root = std::move(mounted);
  cache.volumeTime = volumeTime;
  if (rootOut) *rootOut = &cache.root;
  return cache.handle;
}

void CloseDrive(DriveCache& cache) {
  if (!cache.handle) return;
  vepo_closedevice(cache.handle);
  cache.handle = nullptr;
  cache.root = DirNode();
  cache.volumeTime = 0;
}
