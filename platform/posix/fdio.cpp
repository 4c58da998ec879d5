#include "platform/posix/fdio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool SeekTarget(bool liveHandle, LONG distanceLow, const LONG* distanceHigh,
                DWORD moveMethod, std::uint64_t* target) {
  if (!liveHandle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (moveMethod != FILE_BEGIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // With a high part the low part is unsigned; alone it is a signed distance.
  const std::int64_t position =
      distanceHigh ? static_cast<std::int64_t>(
                         (static_cast<std::uint64_t>(
                              static_cast<std::uint32_t>(*distanceHigh))
                          << 32) |
                         static_cast<std::uint32_t>(distanceLow))
                   : distanceLow;
  if (position < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return false;
  }
  *target = static_cast<std::uint64_t>(position);
  return true;
}

DWORD MoveTo(std::uint64_t target, PLONG distanceHigh,
             std::uint64_t* position) {
  *position = target;
  if (distanceHigh) *distanceHigh = static_cast<LONG>(target >> 32);
  return static_cast<DWORD>(target);
}

bool ReadFully(int fd, std::uint64_t position, void* buffer, DWORD bytes,
               DWORD* got) {
  *got = 0;
  while (*got < bytes) {
    const ssize_t n = pread(fd, static_cast<char*>(buffer) + *got, bytes - *got,
                            static_cast<off_t>(position + *got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *got += static_cast<DWORD>(n);
  }
  return true;
}

int OpenRegularFile(const char* path) {
  // Without blocking: a FIFO would wait for a writer, a terminal become the
  // controlling one, before the check below could refuse them.
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}
