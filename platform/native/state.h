// The native layer's in-process state, shared by the Win32 look-alikes and
// the test controls. Not for use outside platform/native.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/native/testapi.h"

namespace nativewin {

struct DriveSetup {
  std::string root;
  UINT type;
  std::string imagePath;
  // Moves with every change of medium, as a drive's media-change count.
  DWORD mediaChanges = 0;
};

struct Faults {
  bool failLogicalDriveStrings = false;
  bool failOpens = false;
  std::set<std::uint64_t> failSeekTo;
  std::set<std::uint64_t> zeroReadSectors;
  std::map<std::uint64_t, DWORD> shortReadSectors;
  std::set<std::size_t> failAllocationOf;
  std::size_t allocationLimit = SIZE_MAX;
  bool refuseReadsPastEnd = false;
  bool failMediaChangeCount = false;
  double readBytesPerSecond = 0;
};

// What a device HANDLE points to.
struct OpenDevice {
  int fd;
  std::uint64_t position;
  bool unbuffered;
  // A drive's device, not an image file: only a volume refuses reads past
  // its end.
  bool drive;
  std::string root;  // of its drive
  // Invalidated by a change of medium: every read fails until reopened.
  std::atomic<bool> stale{false};
};

struct NativeState {
  std::vector<DriveSetup> drives;
  Faults faults;
  Stats stats;
  std::vector<MessageBoxRecord> messageBoxes;
  // Lets calls tell a live handle from a closed or made-up one.
  std::set<OpenDevice*> openDevices;
};

NativeState& State();
// The drive with this root, drive letter compared without regard to case.
DriveSetup* FindDrive(const std::string& root);

}  // namespace nativewin
