#include <sys/stat.h>
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

bool StatLocalFile(const char* name, bool* folder, std::uint64_t* size) {
  struct stat info;
  if (stat(name, &info) != 0) return false;
  *folder = S_ISDIR(info.st_mode);
  *size = *folder ? 0 : static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool StatLocalFile(const WCHAR* name, bool* folder, std::uint64_t* size) {
  return StatLocalFile(ToUtf8(name).c_str(), folder, size);
}

bool RemoveLocalFolder(const char* name) { return rmdir(name) == 0; }

bool RemoveLocalFolder(const WCHAR* name) {
  return RemoveLocalFolder(ToUtf8(name).c_str());
}
