#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/posix/utf8.h"
#include "platform/win32.h"

bool SeekLocalFile(std::FILE* file, std::uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool FlushLocalFile(std::FILE* file) {
  return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

bool ReplaceLocalFile(const char* from, const char* to) {
  return std::rename(from, to) == 0;
}

bool ReplaceLocalFile(const WCHAR* from, const WCHAR* to) {
  return ReplaceLocalFile(ToUtf8(from).c_str(), ToUtf8(to).c_str());
}
