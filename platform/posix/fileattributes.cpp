#include <sys/stat.h>

#include "platform/win32.h"

DWORD GetFileAttributesA(LPCSTR fileName) {
  struct stat info;
  if (stat(fileName, &info) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
}
