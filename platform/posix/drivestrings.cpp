#include "platform/posix/drivestrings.h"

#include <cstring>

DWORD CopyDriveStrings(const std::string& roots, DWORD bufferLength,
                       LPSTR buffer) {
  const auto length = static_cast<DWORD>(roots.size());
  if (buffer == nullptr || bufferLength < length + 1) return length + 1;
  std::memcpy(buffer, roots.c_str(), length + 1);
  return length;
}
