#include <io.h>

#include "platform/win32.h"

bool SeekLocalFile(std::FILE* file, std::uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool FlushLocalFile(std::FILE* file) {
  return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

// Replaces in one step even where readers hold the old file open with
// FILE_SHARE_DELETE, and writes the move through before returning.
bool ReplaceLocalFile(const char* from, const char* to) {
  return MoveFileExA(from, to,
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool ReplaceLocalFile(const WCHAR* from, const WCHAR* to) {
  return MoveFileExW(from, to,
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

namespace {

bool Stat(const WIN32_FILE_ATTRIBUTE_DATA& data, bool* folder,
          std::uint64_t* size) {
  *folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  *size =
      *folder ? 0 : std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
  return true;
}

}  // namespace

bool StatLocalFile(const char* name, bool* folder, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExA(name, GetFileExInfoStandard, &data) &&
         Stat(data, folder, size);
}

bool StatLocalFile(const WCHAR* name, bool* folder, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExW(name, GetFileExInfoStandard, &data) &&
         Stat(data, folder, size);
}

bool RemoveLocalFolder(const char* name) { return RemoveDirectoryA(name) != 0; }

bool RemoveLocalFolder(const WCHAR* name) {
  return RemoveDirectoryW(name) != 0;
}
