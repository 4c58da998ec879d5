// Win32 look-alikes backed by disc image files, with the behaviour the
// plug-in relies on, including the refusals of unbuffered device reads.
#include "platform/native/win32_native.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/native/state.h"
#include "platform/posix/drivestrings.h"
#include "platform/posix/fdio.h"

namespace {

constexpr DWORD kErrorSharingViolation = 32;
// What a drive reports for a sector it cannot read.
constexpr DWORD kErrorCrc = 23;
constexpr DWORD kErrorSectorNotFound = 27;
constexpr std::uint64_t kSectorSize = 2048;
// Unbuffered reads on Windows want the buffer aligned to the sector size of
// the device; asking for a page catches buffers that only happen to fit.
constexpr std::uintptr_t kUnbufferedBufferAlignment = 4096;

nativewin::OpenDevice* LiveDevice(HANDLE handle) {
  auto* device = static_cast<nativewin::OpenDevice*>(handle);
  if (nativewin::State().openDevices.count(device) == 0) return nullptr;
  return device;
}

// The drive letter of a device path \\.\X:, or 0 when the path is not one.
char DeviceLetter(const char* path) {
  if (path == nullptr || std::strlen(path) != 6) return 0;
  if (std::strncmp(path, "\\\\.\\", 4) != 0 || path[5] != ':') return 0;
  return path[4];
}

nativewin::OpenDevice* OpenImage(const char* path, bool unbuffered) {
  if (nativewin::State().faults.failOpens) return nullptr;
  const char letter = DeviceLetter(path);
  if (letter == 0) {
    // Any other path is an image file, opened as Windows opens a file.
    const int fd = path ? OpenRegularFile(path) : -1;
    return fd < 0 ? nullptr
                  : new nativewin::OpenDevice{fd, 0, unbuffered, false, {}};
  }
  const nativewin::DriveSetup* drive =
      nativewin::FindDrive(std::string{letter, ':', '\\'});
  if (drive == nullptr || drive->imagePath.empty()) return nullptr;
  const int fd = open(drive->imagePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return new nativewin::OpenDevice{fd, 0, unbuffered, true, drive->root};
}

bool CoversSector(std::uint64_t position, DWORD bytes, std::uint64_t sector) {
  return position < (sector + 1) * kSectorSize &&
         sector * kSectorSize < position + bytes;
}

bool Misaligned(const nativewin::OpenDevice& device, const void* buffer,
                DWORD bytes) {
  if (!device.unbuffered) return false;
  const auto address = reinterpret_cast<std::uintptr_t>(buffer);
  return address % kUnbufferedBufferAlignment != 0 ||
         device.position % kSectorSize != 0 || bytes % kSectorSize != 0;
}

bool ReachesPastEnd(const nativewin::OpenDevice& device, DWORD bytes) {
  struct stat image {};
  if (fstat(device.fd, &image) != 0) return false;
  const std::uint64_t end =
      (static_cast<std::uint64_t>(image.st_size) + kSectorSize - 1) /
      kSectorSize * kSectorSize;
  return device.position + bytes > end;
}

// One read on a live device: the refusals and faults, then the image.
BOOL ReadDevice(nativewin::OpenDevice& device, void* buffer, DWORD bytes,
                DWORD* got) {
  nativewin::NativeState& state = nativewin::State();
  const nativewin::Faults& faults = state.faults;
  *got = 0;
  if (device.stale) {
    SetLastError(ERROR_MEDIA_CHANGED);
    return FALSE;
  }
  if (Misaligned(device, buffer, bytes)) {
    ++state.stats.misalignedReads;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (faults.refuseReadsPastEnd && device.drive &&
      ReachesPastEnd(device, bytes)) {
    SetLastError(kErrorSectorNotFound);
    return FALSE;
  }
  for (std::uint64_t sector : faults.zeroReadSectors) {
    if (CoversSector(device.position, bytes, sector)) {
      SetLastError(kErrorCrc);
      return FALSE;
    }
  }
  const auto shortRead =
      faults.shortReadSectors.find(device.position / kSectorSize);
  if (shortRead != faults.shortReadSectors.end()) {
    bytes = std::min(bytes, shortRead->second);
  }
  if (!ReadFully(device.fd, device.position, buffer, bytes, got)) {
    SetLastError(kErrorCrc);
    return FALSE;
  }
  device.position += *got;
  return TRUE;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE) {
  nativewin::NativeState& state = nativewin::State();
  // Windows opens a volume only for callers that share it with writers: the
  // file system holds it open for writing.
  const bool shareRefused =
      DeviceLetter(fileName) != 0 && !(shareMode & FILE_SHARE_WRITE);
  nativewin::OpenDevice* device =
      shareRefused
          ? nullptr
          : OpenImage(fileName,
                      (flagsAndAttributes & FILE_FLAG_NO_BUFFERING) != 0);
  state.stats.opens.push_back(nativewin::OpenRecord{
      fileName ? fileName : "", desiredAccess, shareMode, creationDisposition,
      flagsAndAttributes, device != nullptr});
  if (device == nullptr) {
    SetLastError(shareRefused ? kErrorSharingViolation : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  state.openDevices.insert(device);
  state.stats.openHandles = static_cast<int>(state.openDevices.size());
  return device;
}

DWORD SetFilePointer(HANDLE file, LONG distanceLow, PLONG distanceHigh,
                     DWORD moveMethod) {
  nativewin::NativeState& state = nativewin::State();
  ++state.stats.seeks;
  nativewin::OpenDevice* device = LiveDevice(file);
  std::uint64_t target = 0;
  if (!SeekTarget(device != nullptr, distanceLow, distanceHigh, moveMethod,
                  &target)) {
    return INVALID_SET_FILE_POINTER;
  }
  if (state.faults.failSeekTo.count(target) != 0) {
    SetLastError(kErrorCrc);
    return INVALID_SET_FILE_POINTER;
  }
  return MoveTo(target, distanceHigh, &device->position);
}

namespace {

// Sleeps until a drive of the throttled rate would have brought `bytes`,
// counted from the start of the read.
void Pace(const timespec& start, DWORD bytes) {
  const double rate = nativewin::State().faults.readBytesPerSecond;
  if (rate <= 0) return;
  const double seconds = bytes / rate;
  timespec due = start;
  due.tv_sec += static_cast<time_t>(seconds);
  due.tv_nsec +=
      static_cast<long>((seconds - static_cast<time_t>(seconds)) * 1e9);
  if (due.tv_nsec >= 1000000000L) {
    ++due.tv_sec;
    due.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) ==
         EINTR) {
  }
}

}  // namespace

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED) {
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  DWORD got = 0;
  nativewin::OpenDevice* device = LiveDevice(file);
  BOOL ok = FALSE;
  if (device == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
  } else {
    const std::uint64_t offset = device->position;
    ok = ReadDevice(*device, buffer, bytesToRead, &got);
    nativewin::State().stats.reads.push_back(
        nativewin::ReadRecord{offset, bytesToRead, got});
    Pace(start, got);
  }
  if (bytesRead) *bytesRead = got;
  return ok;
}

BOOL CloseHandle(HANDLE object) {
  nativewin::NativeState& state = nativewin::State();
  ++state.stats.closes;
  nativewin::OpenDevice* device = LiveDevice(object);
  if (device == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  close(device->fd);
  state.openDevices.erase(device);
  delete device;
  state.stats.openHandles = static_cast<int>(state.openDevices.size());
  return TRUE;
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID, DWORD, LPVOID out,
                     DWORD outSize, LPDWORD returned, LPOVERLAPPED) {
  nativewin::NativeState& state = nativewin::State();
  ++state.stats.mediaChecks;
  if (returned) *returned = 0;
  const nativewin::OpenDevice* open = LiveDevice(device);
  if (open == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // An image file keeps no count, on Windows as on Linux.
  if (!open->drive) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (code != IOCTL_STORAGE_CHECK_VERIFY2 || !out || outSize < sizeof(DWORD) ||
      state.faults.failMediaChangeCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const nativewin::DriveSetup* drive = nativewin::FindDrive(open->root);
  *static_cast<DWORD*>(out) = drive ? drive->mediaChanges : 0;
  if (returned) *returned = sizeof(DWORD);
  return TRUE;
}

DWORD GetLogicalDriveStringsA(DWORD bufferLength, LPSTR buffer) {
  nativewin::NativeState& state = nativewin::State();
  if (state.faults.failLogicalDriveStrings) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string list;
  for (const nativewin::DriveSetup& drive : state.drives) {
    list += drive.root;
    list += '\0';
  }
  return CopyDriveStrings(list, bufferLength, buffer);
}

UINT GetDriveTypeA(LPCSTR rootPathName) {
  const nativewin::DriveSetup* drive =
      rootPathName ? nativewin::FindDrive(rootPathName) : nullptr;
  return drive ? drive->type : DRIVE_NO_ROOT_DIR;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  nativewin::State().messageBoxes.push_back(
      nativewin::MessageBoxRecord{owner, text ? text : "", caption != nullptr,
                                  caption ? caption : "", type});
  return IDOK;
}
