#include <io.h>

#include "platform/win32.h"

bool SetLocalFileTime(std::FILE* file, std::uint64_t fileTime) {
  const FILETIME time{static_cast<DWORD>(fileTime),
                      static_cast<DWORD>(fileTime >> 32)};
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  // Bytes still buffered would set the time again when written.
  return std::fflush(file) == 0 && handle != INVALID_HANDLE_VALUE &&
         SetFileTime(handle, nullptr, nullptr, &time) != 0;
}
