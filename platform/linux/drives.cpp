// The drive listing of the seam over sysfs; every drive is a CD/DVD drive.
#include "platform/linux/drives.h"

#include <cstring>

#include "platform/linux/sysfsdrives.h"
#include "platform/posix/drivestrings.h"
#include "platform/win32.h"

std::string DeviceFileOf(const std::string& driveName) {
  for (const std::string& device : ListDriveDevices()) {
    if (_strcmpi((device + ":").c_str(), driveName.c_str()) == 0) {
      return "/dev/" + device;
    }
  }
  return std::string();
}

DWORD GetLogicalDriveStringsA(DWORD bufferLength, LPSTR buffer) {
  std::string roots;
  for (const std::string& device : ListDriveDevices()) {
    roots += device + ":\\";
    roots += '\0';
  }
  return CopyDriveStrings(roots, bufferLength, buffer);
}

UINT GetDriveTypeA(LPCSTR rootPathName) {
  // A root is a drive name and a backslash, as on Windows.
  const std::size_t length = rootPathName ? std::strlen(rootPathName) : 0;
  if (length < 2 || rootPathName[length - 1] != '\\') return DRIVE_NO_ROOT_DIR;
  const std::string driveName(rootPathName, length - 1);
  return DeviceFileOf(driveName).empty() ? DRIVE_NO_ROOT_DIR : DRIVE_CDROM;
}
