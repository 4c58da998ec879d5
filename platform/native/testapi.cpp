#include "platform/native/testapi.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/native/state.h"

namespace nativewin {

NativeState& State() {
  // Never destroyed, as a system outlives its programs: the plug-in's own
  // globals still close their handles through it at exit.
  static NativeState* const state = new NativeState;
  return *state;
}

DriveSetup* FindDrive(const std::string& root) {
  for (DriveSetup& drive : State().drives) {
    if (_strcmpi(drive.root.c_str(), root.c_str()) == 0) return &drive;
  }
  return nullptr;
}

void Reset() {
  NativeState& state = State();
  state.drives.clear();
  ClearFaults();
  ResetStats();
  state.messageBoxes.clear();
  SetLastError(0);
}

void AddDrive(const std::string& root, UINT type,
              const std::string& imagePath) {
  if (DriveSetup* drive = FindDrive(root)) {
    *drive = DriveSetup{root, type, imagePath};
  } else {
    State().drives.push_back(DriveSetup{root, type, imagePath});
  }
}

void SetImage(const std::string& root, const std::string& imagePath) {
  if (DriveSetup* drive = FindDrive(root)) {
    drive->imagePath = imagePath;
    ++drive->mediaChanges;
  }
}

void ChangeMedium(const std::string& root, const std::string& imagePath,
                  bool invalidateHandles) {
  DriveSetup* drive = FindDrive(root);
  if (!drive) return;
  SetImage(root, imagePath);
  for (OpenDevice* device : State().openDevices) {
    if (_strcmpi(device->root.c_str(), drive->root.c_str()) != 0) continue;
    if (invalidateHandles) {
      device->stale = true;
      continue;
    }
    // In place, as a read on another thread may be under way: it reads
    // the one medium or the other, as a swapped tray does.
    const int fresh = open(imagePath.empty() ? "/dev/null" : imagePath.c_str(),
                           O_RDONLY | O_CLOEXEC);
    if (fresh < 0) continue;
    dup3(fresh, device->fd, O_CLOEXEC);
    close(fresh);
  }
}

void ClearFaults() { State().faults = Faults(); }
void FailLogicalDriveStrings() {
  State().faults.failLogicalDriveStrings = true;
}
void FailOpens() { State().faults.failOpens = true; }
void FailSeekTo(std::uint64_t offset) {
  State().faults.failSeekTo.insert(offset);
}
void ZeroReadAtSector(std::uint64_t sector) {
  State().faults.zeroReadSectors.insert(sector);
}
void ShortReadAtSector(std::uint64_t sector, DWORD bytes) {
  State().faults.shortReadSectors[sector] = bytes;
}
void FailAllocationOf(std::size_t bytes) {
  State().faults.failAllocationOf.insert(bytes);
}

void FailAllocationsAbove(std::size_t bytes) {
  State().faults.allocationLimit = bytes;
}

void ThrottleReads(double bytesPerSecond) {
  State().faults.readBytesPerSecond = bytesPerSecond;
}

void RefuseReadsPastEnd() { State().faults.refuseReadsPastEnd = true; }

void FailMediaChangeCount() { State().faults.failMediaChangeCount = true; }

const Stats& GetStats() { return State().stats; }

void ResetStats() {
  Stats& stats = State().stats;
  Stats fresh;
  fresh.openHandles = stats.openHandles;
  fresh.liveBlocks = stats.liveBlocks;
  stats = fresh;
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
  return State().messageBoxes;
}

}  // namespace nativewin
