#include "path/hostpath.h"

#include <algorithm>
#include <cstring>

#include "platform/win32.h"

const char* SkipLeadingSlash(const char* path) {
  return IsSeparator(path[0]) ? path + 1 : path;
}

void StripTrailingSlashes(char* buffer) {
  for (std::size_t n = std::strlen(buffer); n > 0 && IsSeparator(buffer[n - 1]);
       --n) {
    buffer[n - 1] = '\0';
  }
}

void SplitFirstComponent(const char* path, std::string& first,
                         std::string* rest) {
  const char* text = SkipLeadingSlash(path);
  const std::size_t end = std::strcspn(text, "\\/");
  first.assign(text, end);
  if (rest) rest->assign(text + end);
}

int GetDriveName(const char* component, std::string& drive) {
  const char* colon = std::strchr(component, ':');
  if (!colon) return 0;
  const char* limit = std::strchr(component, '<');
  if (limit && colon >= limit) return 0;
  drive.assign(component, colon - component + 1);
  return 1;
}

const char* PathAfterDrive(const char* path) {
  const char* text = SkipLeadingSlash(path);
  const char* colon = std::strchr(text, ':');
  // A backslash anywhere wins over an earlier forward slash.
  const char* cut = std::strchr(text, '\\');
  if (!cut) cut = std::strchr(text, '/');
  if (!cut) return text + std::strlen(text);
  if (colon && colon < cut) return cut + 1;
  return cut;
}

namespace {

// Cuts a piece as a 256-byte buffer with its terminator would.
std::string Piece(const char* begin, const char* end) {
  constexpr std::size_t kMaxPiece = 255;
  return std::string(begin, std::min<std::size_t>(end - begin, kMaxPiece));
}

bool IsLeadByte(char c) {
  return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
}

}  // namespace

// The rules of the runtime's path splitter, with its standard buffer sizes,
// but bounded: a piece longer than its buffer is cut, never overrun.
void SplitDirAndName(const char* path, std::string* dir, std::string* name) {
  std::string drive;
  const char* text = path;
  if (path[0] != '\0' && path[1] == ':') {
    drive.assign(path, 2);
    text = path + 2;
  }
  const char* lastSeparator = nullptr;
  const char* lastDot = nullptr;
  const char* p = text;
  for (; *p; ++p) {
    if (IsLeadByte(*p) && p[1]) {
      ++p;
    } else if (IsSeparator(*p)) {
      lastSeparator = p;
      lastDot = nullptr;
    } else if (*p == '.') {
      lastDot = p;
    }
  }
  const char* nameStart = lastSeparator ? lastSeparator + 1 : text;
  const char* baseEnd = lastDot ? lastDot : p;
  if (dir) {
    std::string directory = Piece(text, nameStart);
    if (!directory.empty() && IsSeparator(directory.back())) {
      directory.pop_back();
    }
    *dir = drive + directory;
  }
  if (name) *name = Piece(nameStart, baseEnd) + Piece(baseEnd, p);
}
