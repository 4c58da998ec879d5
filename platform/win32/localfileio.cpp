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
