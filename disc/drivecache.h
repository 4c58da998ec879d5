// The one open drive: its device handle, its name and the tree of its disc,
// kept between host calls so that a disc is mounted once per visit.
#pragma once

#include "disc/dirnode.h"
#include "platform/win32.h"

struct DriveCache {
  HANDLE handle = nullptr;
  char driveName[16] = {};
  DirNode root;

  DriveCache() = default;
  DriveCache(const DriveCache&) = delete;
  DriveCache& operator=(const DriveCache&) = delete;
  ~DriveCache();
};

// The open handle of driveName (such as E:), opening and mounting it unless
// it is the drive already open; null, with the cache closed, when it cannot
// be opened or mounted for any reason.
// On success *rootOut, when given, points at the cached root.
HANDLE OpenDrive(DriveCache& cache, const char* driveName,
                 DirNode** rootOut = nullptr);
void CloseDrive(DriveCache& cache);
