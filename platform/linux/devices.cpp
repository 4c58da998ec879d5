// Raw reads of the listed drives through their device files, and of image
// files, with the results and byte counts that the same calls give on
// Windows.
#include <fcntl.h>
#include <linux/cdrom.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "platform/linux/drives.h"
#include "platform/posix/fdio.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kErrorAccessDenied = 5;
constexpr DWORD kErrorNotReady = 21;
constexpr DWORD kErrorCrc = 23;
constexpr DWORD kErrorGenFailure = 31;

struct OpenDevice {
  int fd;
  std::uint64_t position;
  bool optical;  // an sr drive, whose changes the drive itself reports
};

// Lets calls tell a live handle from a closed or made-up one. The host
// lists one image on its window's thread while it copies from another on a
// worker thread, so the set is shared between threads.
struct LiveSet {
  std::mutex lock;
  std::set<OpenDevice*> devices;
};

LiveSet& Live() {
  // Never destroyed: the plug-in's globals close their handle at exit.
  static auto* const live = new LiveSet;
  return *live;
}

OpenDevice* LiveDevice(HANDLE handle) {
  auto* device = static_cast<OpenDevice*>(handle);
  std::lock_guard<std::mutex> hold(Live().lock);
  return Live().devices.count(device) != 0 ? device : nullptr;
}

DWORD Win32Error(int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kErrorAccessDenied;
    case ENOMEDIUM:
      return kErrorNotReady;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case EIO:
      return kErrorCrc;
    default:
      return kErrorGenFailure;
  }
}

// The drive name of a device path \\.\NAME:, or empty when it is none.
std::string DriveNameOf(const char* path) {
  const std::size_t length = path ? std::strlen(path) : 0;
  if (length < 6 || std::strncmp(path, "\\\\.\\", 4) != 0 ||
      path[length - 1] != ':') {
    return std::string();
  }
  return std::string(path + 4, length - 4);
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                   DWORD flagsAndAttributes, HANDLE) {
  const std::string driveName = DriveNameOf(fileName);
  const std::string deviceFile = DeviceFileOf(driveName);
  if (!driveName.empty() && deviceFile.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // Read only, whatever was asked: the plug-in never writes to a disc. Any
  // path that names no drive is an image file, read through the page cache.
  int flags = O_RDONLY | O_CLOEXEC;
  if (flagsAndAttributes & FILE_FLAG_NO_BUFFERING) flags |= O_DIRECT;
  const int fd = driveName.empty() ? (fileName ? OpenRegularFile(fileName) : -1)
                                   : open(deviceFile.c_str(), flags);
  if (fd < 0) {
    SetLastError(Win32Error(errno));
    return INVALID_HANDLE_VALUE;
  }
  const bool optical = deviceFile.compare(0, 7, "/dev/sr") == 0;
  auto* device = new OpenDevice{fd, 0, optical};
  std::lock_guard<std::mutex> hold(Live().lock);
  Live().devices.insert(device);
  return device;
}

DWORD SetFilePointer(HANDLE file, LONG distanceLow, PLONG distanceHigh,
                     DWORD moveMethod) {
  OpenDevice* device = LiveDevice(file);
  std::uint64_t target = 0;
  if (!SeekTarget(device != nullptr, distanceLow, distanceHigh, moveMethod,
                  &target)) {
    return INVALID_SET_FILE_POINTER;
  }
  return MoveTo(target, distanceHigh, &device->position);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED) {
  DWORD got = 0;
  BOOL ok = FALSE;
  if (OpenDevice* device = LiveDevice(file)) {
    // The end of the device gives a short count, as on Windows.
    ok = ReadFully(device->fd, device->position, buffer, bytesToRead, &got);
    if (!ok) SetLastError(Win32Error(errno));
    device->position += got;
  } else {
    SetLastError(ERROR_INVALID_HANDLE);
  }
  if (bytesRead) *bytesRead = got;
  return ok;
}

// The media-change count: an optical drive is asked for the time of its last
// change, which it learns from the drive itself; any other block device has
// its disk sequence number, which moves whenever its medium is replaced.
BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID, DWORD, LPVOID out,
                     DWORD outSize, LPDWORD returned, LPOVERLAPPED) {
  if (returned) *returned = 0;
  const OpenDevice* open = LiveDevice(device);
  if (!open) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (code != IOCTL_STORAGE_CHECK_VERIFY2 || !out || outSize < sizeof(DWORD)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t token = 0;
  if (open->optical) {
    cdrom_timed_media_change_info info{};
    if (ioctl(open->fd, CDROM_TIMED_MEDIA_CHANGE, &info) != 0) {
      SetLastError(Win32Error(errno));
      return FALSE;
    }
    token = static_cast<std::uint64_t>(info.last_media_change);
  } else if (ioctl(open->fd, BLKGETDISKSEQ, &token) != 0) {
    SetLastError(Win32Error(errno));
    return FALSE;
  }
  *static_cast<DWORD*>(out) = static_cast<DWORD>(token ^ (token >> 32));
  if (returned) *returned = sizeof(DWORD);
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  OpenDevice* device = LiveDevice(object);
  if (device == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  close(device->fd);
  {
    std::lock_guard<std::mutex> hold(Live().lock);
    Live().devices.erase(device);
  }
  delete device;
  return TRUE;
}
