#include "tools/host/strict.h"

#include <winioctl.h>

#include <cwchar>
#include <map>
#include <string>

#include "tools/host/importpatch.h"
#include "tools/host/output.h"

namespace {

struct TrackedFile {
  bool unbuffered;
  // Bytes up to the end of the last sector; -1 when not a device or its
  // length cannot be had.
  long long deviceEnd;
};

struct Counts {
  int opens = 0;
  int reads = 0;
  int refused = 0;
  std::map<std::string, int> byRule;
} counts;

std::map<HANDLE, TrackedFile> openFiles;

// \\.\X: exactly, the form a volume is opened by.
template <typename Char>
bool IsVolumePath(const Char* name) {
  if (!name) return false;
  const Char prefix[] = {'\\', '\\', '.', '\\'};
  for (int i = 0; i < 4; ++i)
    if (name[i] != prefix[i]) return false;
  const Char letter = name[4];
  return ((letter >= 'A' && letter <= 'Z') ||
          (letter >= 'a' && letter <= 'z')) &&
         name[5] == ':' && name[6] == 0;
}

long long DeviceEnd(HANDLE handle) {
  LARGE_INTEGER size{};
  // Wine gives a block device's file size as 0: that size is unknown.
  if (GetFileSizeEx(handle, &size) && size.QuadPart > 0)
    return (size.QuadPart + kStrictSectorSize - 1) / kStrictSectorSize *
           kStrictSectorSize;
  GET_LENGTH_INFORMATION length{};
  DWORD got = 0;
  if (DeviceIoControl(handle, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                      sizeof length, &got, nullptr))
    return length.Length.QuadPart;
  return -1;
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
  return text;
}

// The checks of both CreateFile wrappers; true when the open may go on.
bool VolumeOpenAllowed(bool volume, DWORD share, DWORD disposition,
                       const char* call, const std::string& name) {
  if (!volume) return true;
  if (!(share & FILE_SHARE_WRITE)) {
    RefuseByRule("volume-share", ERROR_SHARING_VIOLATION, call,
                 name + " share=" + Hex(share));
    return false;
  }
  if (disposition != OPEN_EXISTING) {
    RefuseByRule("volume-create", ERROR_INVALID_PARAMETER, call,
                 name + " disposition=" + Hex(disposition));
    return false;
  }
  return true;
}

HANDLE Track(HANDLE handle, bool volume, DWORD flags) {
  if (handle == INVALID_HANDLE_VALUE) return handle;
  ++counts.opens;
  const DWORD error = GetLastError();
  openFiles[handle] = {(flags & FILE_FLAG_NO_BUFFERING) != 0,
                       volume ? DeviceEnd(handle) : -1};
  SetLastError(error);
  return handle;
}

// The record of a handle the wrappers opened. A handle that is no longer
// open anywhere is refused; one opened elsewhere (the runtime's own) passes
// untracked, with found false.
bool Find(HANDLE handle, const char* call, TrackedFile** found) {
  auto it = openFiles.find(handle);
  *found = it == openFiles.end() ? nullptr : &it->second;
  DWORD flags = 0;
  if (*found || GetHandleInformation(handle, &flags)) return true;
  RefuseByRule(
      "closed-handle", ERROR_INVALID_HANDLE, call,
      "handle=" + Hex(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(handle))));
  return false;
}

long long CurrentPosition(HANDLE handle) {
  LARGE_INTEGER zero{}, position{};
  if (!SetFilePointerEx(handle, zero, &position, FILE_CURRENT)) return -1;
  return position.QuadPart;
}

// The rule a read breaks, or null.
const char* BrokenReadRule(const TrackedFile& file, const void* buffer,
                           DWORD bytes, long long position) {
  if (file.unbuffered) {
    if (reinterpret_cast<ULONG_PTR>(buffer) % kStrictBufferAlignment != 0)
      return "align-buffer";
    if (bytes % kStrictSectorSize != 0) return "align-count";
    if (position < 0 || position % kStrictSectorSize != 0)
      return "align-position";
  }
  if (file.deviceEnd >= 0 &&
      position + static_cast<long long>(bytes) > file.deviceEnd)
    return "past-end";
  return nullptr;
}

}  // namespace

void RefuseByRule(const char* rule, DWORD error, const char* call,
                  const std::string& detail) {
  ++counts.refused;
  ++counts.byRule[rule];
  Say("STRICT REFUSED rule=%s %s %s error=%lu", rule, call, detail.c_str(),
      static_cast<unsigned long>(error));
  SetLastError(error);
}

HANDLE WINAPI StrictCreateFileA(LPCSTR name, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags,
                                HANDLE templateFile) {
  const bool volume = IsVolumePath(name);
  if (!VolumeOpenAllowed(volume, share, disposition, "CreateFileA",
                         name ? name : "(null)"))
    return INVALID_HANDLE_VALUE;
  return Track(CreateFileA(name, access, share, security, disposition, flags,
                           templateFile),
               volume, flags);
}

HANDLE WINAPI StrictCreateFileW(LPCWSTR name, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags,
                                HANDLE templateFile) {
  const bool volume = IsVolumePath(name);
  // Only a volume's name is shown, and it is plain ASCII.
  const std::string shown = volume ? std::string(name, name + 6) : "(file)";
  if (!VolumeOpenAllowed(volume, share, disposition, "CreateFileW", shown) ||
      !LongPathAllowed(name, "CreateFileW"))
    return INVALID_HANDLE_VALUE;
  return Track(CreateFileW(name, access, share, security, disposition, flags,
                           templateFile),
               volume, flags);
}

BOOL WINAPI StrictReadFile(HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD got,
                           LPOVERLAPPED overlapped) {
  ++counts.reads;
  if (got) *got = 0;
  TrackedFile* tracked = nullptr;
  if (!Find(file, "ReadFile", &tracked)) return FALSE;
  const long long position = tracked ? CurrentPosition(file) : 0;
  const char* rule =
      tracked ? BrokenReadRule(*tracked, buffer, bytes, position) : nullptr;
  if (rule) {
    const bool pastEnd = std::string(rule) == "past-end";
    RefuseByRule(
        rule, pastEnd ? ERROR_SECTOR_NOT_FOUND : ERROR_INVALID_PARAMETER,
        "ReadFile",
        "buffer=" +
            Hex(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(buffer))) +
            " bytes=" + std::to_string(bytes) +
            " position=" + std::to_string(position));
    return FALSE;
  }
  return ReadFile(file, buffer, bytes, got, overlapped);
}

DWORD WINAPI StrictSetFilePointer(HANDLE file, LONG low, PLONG high,
                                  DWORD method) {
  TrackedFile* tracked = nullptr;
  if (!Find(file, "SetFilePointer", &tracked)) return INVALID_SET_FILE_POINTER;
  return SetFilePointer(file, low, high, method);
}

BOOL WINAPI StrictSetFilePointerEx(HANDLE file, LARGE_INTEGER distance,
                                   PLARGE_INTEGER position, DWORD method) {
  TrackedFile* tracked = nullptr;
  if (!Find(file, "SetFilePointerEx", &tracked)) return FALSE;
  return SetFilePointerEx(file, distance, position, method);
}

BOOL WINAPI StrictCloseHandle(HANDLE object) {
  TrackedFile* tracked = nullptr;
  if (!Find(object, "CloseHandle", &tracked)) return FALSE;
  openFiles.erase(object);
  return CloseHandle(object);
}

void ApplyStrictRules(HMODULE module) {
  const struct {
    const char* name;
    const void* wrapper;
  } calls[] = {
      {"CreateFileA", reinterpret_cast<const void*>(&StrictCreateFileA)},
      {"CreateFileW", reinterpret_cast<const void*>(&StrictCreateFileW)},
      {"ReadFile", reinterpret_cast<const void*>(&StrictReadFile)},
      {"SetFilePointer", reinterpret_cast<const void*>(&StrictSetFilePointer)},
      {"SetFilePointerEx",
       reinterpret_cast<const void*>(&StrictSetFilePointerEx)},
      {"CloseHandle", reinterpret_cast<const void*>(&StrictCloseHandle)},
  };
  // A module that does not import a call cannot break its rules.
  for (const auto& call : calls)
    PatchImport(module, "KERNEL32.dll", call.name, call.wrapper);
  ApplyLongPathRule(module);
}

void PrintStrictSummary() {
  std::string rules;
  for (const auto& [rule, count] : counts.byRule)
    rules += " " + rule + "=" + std::to_string(count);
  Say("STRICT opens=%d reads=%d refused=%d open-at-exit=%d%s", counts.opens,
      counts.reads, counts.refused, static_cast<int>(openFiles.size()),
      rules.c_str());
}
