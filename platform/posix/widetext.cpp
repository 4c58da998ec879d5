// The wide file calls of the builds that are not Windows. Linux names
// are bytes, so UTF-16 becomes UTF-8; a lone surrogate is encoded on its
// own, as WTF-8 does, so that no name is lost.
#include "platform/posix/utf8.h"

namespace {

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string ToUtf8(const WCHAR* text) {
  std::string out;
  for (const WCHAR* c = text; *c; ++c) {
    const bool pair =
        *c >= 0xD800 && *c < 0xDC00 && c[1] >= 0xDC00 && c[1] < 0xE000;
    if (pair) {
      AppendUtf8(out, 0x10000 + ((c[0] - 0xD800) << 10) + (c[1] - 0xDC00));
      ++c;
    } else {
      AppendUtf8(out, *c);
    }
  }
  return out;
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  return GetFileAttributesA(ToUtf8(fileName).c_str());
}

BOOL GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS level,
                          LPVOID information) {
  return GetFileAttributesExA(ToUtf8(fileName).c_str(), level, information);
}

std::FILE* _wfopen(const WCHAR* fileName, const WCHAR* mode) {
  return std::fopen(ToUtf8(fileName).c_str(), ToUtf8(mode).c_str());
}

int _wremove(const WCHAR* fileName) {
  return std::remove(ToUtf8(fileName).c_str());
}

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile) {
  return CreateFileA(ToUtf8(fileName).c_str(), desiredAccess, shareMode,
                     security, creationDisposition, flagsAndAttributes,
                     templateFile);
}
