#include <sys/stat.h>

#include "platform/win32.h"

bool SetLocalFileTime(std::FILE* file, std::uint64_t fileTime) {
  constexpr std::uint64_t kTicksPerSecond = 10000000;
  constexpr std::uint64_t kUnixEpochSeconds = 11644473600;
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec =
      static_cast<time_t>(fileTime / kTicksPerSecond - kUnixEpochSeconds);
  times[1].tv_nsec = static_cast<long>(fileTime % kTicksPerSecond * 100);
  // Bytes still buffered would set the time again when written.
  return std::fflush(file) == 0 && futimens(fileno(file), times) == 0;
}
