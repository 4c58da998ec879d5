// Strict mode: the plug-in's device and local file calls go through
// wrappers that refuse what Windows refuses and Wine lets pass, with the
// error Windows gives.
//
// Rules, from the CreateFile, ReadFile and file naming documentation:
//   volume-share   a volume (\\.\X:) is opened with FILE_SHARE_WRITE in the
//                  share mode; otherwise ERROR_SHARING_VIOLATION
//   volume-create  a volume is opened with OPEN_EXISTING; otherwise
//                  ERROR_INVALID_PARAMETER
//   align-buffer   an unbuffered read's buffer is sector aligned,
//   align-count    its byte count a whole number of sectors,
//   align-position and the file position a sector boundary; otherwise
//                  ERROR_INVALID_PARAMETER and nothing read
//   past-end       a read reaching past the device's last sector reads
//                  nothing and fails with ERROR_SECTOR_NOT_FOUND
//   closed-handle  a call on a handle that is not open fails with
//                  ERROR_INVALID_HANDLE (closing twice included);
//                  handles that other code opened pass unchecked
//   long-path      a wide local path of MAX_PATH characters or more is
//                  given in the long form \\?\; otherwise
//                  ERROR_PATH_NOT_FOUND (ENOENT from the runtime's calls)
// Each refusal prints a STRICT REFUSED line naming its rule; the summary
// line counts opens, reads, refusals and the handles still open.
#pragma once

#include <cstdio>
#include <string>

#include "platform/win32.h"

// Sector size of optical drives, which count, position and the device's end
// are checked against.
constexpr DWORD kStrictSectorSize = 2048;
// Buffers must sit on a page, as the plug-in promises: stricter than the
// sector size, so a buffer that is aligned by luck is still caught.
constexpr ULONG_PTR kStrictBufferAlignment = 4096;

// Redirects the module's imports of the device and file calls to the
// wrappers.
void ApplyStrictRules(HMODULE module);
// The part of ApplyStrictRules for the long-path rule's file calls.
void ApplyLongPathRule(HMODULE module);

// Counts a refusal by its rule, prints its STRICT REFUSED line and sets
// error as the last error.
void RefuseByRule(const char* rule, DWORD error, const char* call,
                  const std::string& detail);

// False, after refusing it, for a path Windows takes only in the long form.
bool LongPathAllowed(LPCWSTR name, const char* call);

// Prints STRICT opens=N reads=N refused=N open-at-exit=N and, per rule that
// refused anything, RULE=N.
void PrintStrictSummary();

// The wrappers themselves, for the self-test.
HANDLE WINAPI StrictCreateFileA(LPCSTR name, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags,
                                HANDLE templateFile);
HANDLE WINAPI StrictCreateFileW(LPCWSTR name, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags,
                                HANDLE templateFile);
BOOL WINAPI StrictReadFile(HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD got,
                           LPOVERLAPPED overlapped);
DWORD WINAPI StrictSetFilePointer(HANDLE file, LONG low, PLONG high,
                                  DWORD method);
BOOL WINAPI StrictSetFilePointerEx(HANDLE file, LARGE_INTEGER distance,
                                   PLARGE_INTEGER position, DWORD method);
BOOL WINAPI StrictCloseHandle(HANDLE object);
DWORD WINAPI StrictGetFileAttributesW(LPCWSTR name);
FILE* __cdecl StrictWfopen(const wchar_t* name, const wchar_t* mode);
