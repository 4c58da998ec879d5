#include <sys/stat.h>

#include "platform/win32.h"

namespace {

FILETIME ToFileTime(const timespec& time) {
  constexpr std::uint64_t kTicksPerSecond = 10000000;
  constexpr std::uint64_t kUnixEpochSeconds = 11644473600;
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.tv_sec) + kUnixEpochSeconds) *
          kTicksPerSecond +
      static_cast<std::uint64_t>(time.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

DWORD GetFileAttributesA(LPCSTR fileName) {
  struct stat info;
  if (stat(fileName, &info) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
}

BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS,
                          LPVOID information) {
  struct stat info;
  if (stat(fileName, &info) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(information);
  const auto size = static_cast<std::uint64_t>(info.st_size);
  data->dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  data->ftCreationTime = ToFileTime(info.st_ctim);
  data->ftLastAccessTime = ToFileTime(info.st_atim);
  data->ftLastWriteTime = ToFileTime(info.st_mtim);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size);
  return TRUE;
}
