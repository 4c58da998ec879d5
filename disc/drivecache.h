// The one open drive: its device handle, its name and the tree of its disc,
// kept between host calls so that a disc is mounted once per visit, and
// checked once per call so that a disc swapped in the drive is never read
// through the old one's tree.
#pragma once

#include <cstdint>

#include "disc/device.h"
#include "disc/dirnode.h"
#include "disc/format.h"
#include "platform/win32.h"

struct DriveCache {
  Device device;
  char driveName[16] = {};
  DirNode root;
  // The mounted volume's FILETIME, 0 when none.
  std::uint64_t volumeTime = 0;
  // What identifies the mounted disc: its descriptor as read, and the
  // device's media-change count at the mount when the system keeps one.
  DescriptorSector descriptor = {};
  bool countKnown = false;
  std::uint32_t mediaChanges = 0;
  // Set at the start of each host call: the next OpenDrive of the open drive
  // checks the disc before it hands out the cached tree.
  bool checkDue = false;

  DriveCache() = default;
  DriveCache(const DriveCache&) = delete;
  DriveCache& operator=(const DriveCache&) = delete;
  ~DriveCache();
};

// The open device of driveName (such as E:), opening and mounting it unless
// it is the drive already open and, when a check is due, still holds the
// mounted disc; null, with the cache closed, when it cannot be opened or
// mounted for any reason. A disc found changed is dropped with its tree and
// the drive opened and mounted afresh.
// On success *rootOut, when given, points at the cached root.
const Device* OpenDrive(DriveCache& cache, const char* driveName,
                        DirNode** rootOut = nullptr);
void CloseDrive(DriveCache& cache);

// Makes the next OpenDrive of the open drive check its disc: each host call
// that reads a disc starts with it.
void CheckDiscOnNextOpen(DriveCache& cache);

// Whether the open drive still holds the disc that was mounted: by the
// media-change count where the system keeps one, else by reading the
// descriptor again (one sector). false when no drive is open or the check
// read fails.
bool DiscUnchanged(const DriveCache& cache);
