#include <cerrno>
#include <cwchar>
#include <string>

#include "tools/host/importpatch.h"
#include "tools/host/strict.h"

bool LongPathAllowed(LPCWSTR name, const char* call) {
  if (!name) return true;
  const std::size_t length = std::wcslen(name);
  if (length < MAX_PATH || std::wcsncmp(name, L"\\\\?\\", 4) == 0) return true;
  RefuseByRule("long-path", ERROR_PATH_NOT_FOUND, call,
               "length=" + std::to_string(length));
  return false;
}

DWORD WINAPI StrictGetFileAttributesW(LPCWSTR name) {
  if (!LongPathAllowed(name, "GetFileAttributesW"))
    return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(name);
}

BOOL WINAPI StrictGetFileAttributesExW(LPCWSTR name,
                                       GET_FILEEX_INFO_LEVELS level,
                                       LPVOID data) {
  if (!LongPathAllowed(name, "GetFileAttributesExW")) return FALSE;
  return GetFileAttributesExW(name, level, data);
}

BOOL WINAPI StrictRemoveDirectoryW(LPCWSTR name) {
  if (!LongPathAllowed(name, "RemoveDirectoryW")) return FALSE;
  return RemoveDirectoryW(name);
}

BOOL WINAPI StrictMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  if (!LongPathAllowed(from, "MoveFileExW") ||
      !LongPathAllowed(to, "MoveFileExW"))
    return FALSE;
  return MoveFileExW(from, to, flags);
}

// The runtime's calls fail as CreateFileW under them does: ENOENT.
FILE* __cdecl StrictWfopen(const wchar_t* name, const wchar_t* mode) {
  if (!LongPathAllowed(name, "_wfopen")) return errno = ENOENT, nullptr;
  return _wfopen(name, mode);
}

int __cdecl StrictWremove(const wchar_t* name) {
  if (!LongPathAllowed(name, "_wremove")) return errno = ENOENT, -1;
  return _wremove(name);
}

void ApplyLongPathRule(HMODULE module) {
  const struct {
    const char* dll;
    const char* name;
    const void* wrapper;
  } calls[] = {
      {"KERNEL32.dll", "GetFileAttributesW",
       reinterpret_cast<const void*>(&StrictGetFileAttributesW)},
      {"KERNEL32.dll", "GetFileAttributesExW",
       reinterpret_cast<const void*>(&StrictGetFileAttributesExW)},
      {"KERNEL32.dll", "RemoveDirectoryW",
       reinterpret_cast<const void*>(&StrictRemoveDirectoryW)},
      {"KERNEL32.dll", "MoveFileExW",
       reinterpret_cast<const void*>(&StrictMoveFileExW)},
      {"msvcrt.dll", "_wfopen", reinterpret_cast<const void*>(&StrictWfopen)},
      {"msvcrt.dll", "_wremove", reinterpret_cast<const void*>(&StrictWremove)},
  };
  for (const auto& call : calls)
    PatchImport(module, call.dll, call.name, call.wrapper);
}
