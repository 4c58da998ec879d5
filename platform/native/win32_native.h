// Stand-ins for the Win32 names the plug-in uses, for the builds that are not
// Windows. Types keep the Win32 widths (DWORD is 32 bits even where long is
// 64).
#pragma once

#include <cstdint>
#include <cstdio>

#define WINAPI
#define CALLBACK

typedef void* HANDLE;
typedef void* HWND;
typedef void* HMODULE;
typedef int BOOL;
typedef unsigned char BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef LONG* PLONG;
typedef DWORD* LPDWORD;
typedef unsigned int UINT;
typedef char* LPSTR;
typedef const char* LPCSTR;
// A UTF-16 unit, 16 bits as on Windows (wchar_t is 32 bits here).
typedef char16_t WCHAR;
typedef const WCHAR* LPCWSTR;
typedef void* LPVOID;
typedef struct _OVERLAPPED* LPOVERLAPPED;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define INVALID_HANDLE_VALUE ((HANDLE)(std::intptr_t)-1)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_FLAG_NO_BUFFERING 0x20000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u
#define FILE_BEGIN 0u

#define DRIVE_UNKNOWN 0u
#define DRIVE_NO_ROOT_DIR 1u
#define DRIVE_REMOVABLE 2u
#define DRIVE_FIXED 3u
#define DRIVE_REMOTE 4u
#define DRIVE_CDROM 5u
#define DRIVE_RAMDISK 6u

#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_NOT_SUPPORTED 50u
#define ERROR_MEDIA_CHANGED 1110u
#define ERROR_NEGATIVE_SEEK 131u

// The media-change count of a storage device (a ULONG out).
#define IOCTL_STORAGE_CHECK_VERIFY2 0x002d0800u

#define MB_OK 0x00000000u
#define IDOK 1

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME;

// One listed entry; the A and W records differ only in their text.
template <typename Char>
struct FindData {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  Char cFileName[MAX_PATH];
  Char cAlternateFileName[14];
};
typedef FindData<char> WIN32_FIND_DATAA;
typedef FindData<WCHAR> WIN32_FIND_DATAW;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
DWORD SetFilePointer(HANDLE file, LONG distanceLow, PLONG distanceHigh,
                     DWORD moveMethod);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE object);
BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize,
                     LPVOID out, DWORD outSize, LPDWORD returned,
                     LPOVERLAPPED overlapped);
DWORD GetLogicalDriveStringsA(DWORD bufferLength, LPSTR buffer);
UINT GetDriveTypeA(LPCSTR rootPathName);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
LPSTR lstrcpynA(LPSTR dest, LPCSTR src, int maxLength);
void SetLastError(DWORD code);
DWORD GetLastError();
int _strcmpi(const char* a, const char* b);
DWORD GetFileAttributesA(LPCSTR fileName);
// Attributes, size and last-write time (UTC) of a file, by its path.
typedef enum _GET_FILEEX_INFO_LEVELS {
  GetFileExInfoStandard
} GET_FILEEX_INFO_LEVELS;
typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA;
BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS level,
                          LPVOID information);
// Times; the builds that are not Windows keep local time as UTC.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localTime);
BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* fatDate,
                           WORD* fatTime);
// The native build works in a single-byte code page.
BOOL IsDBCSLeadByte(BYTE c);

// Wide files and message box; names go to the file system as UTF-8. A path
// that names no drive's device opens a regular file (an image file).
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
DWORD GetFileAttributesW(LPCWSTR fileName);
BOOL GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS level,
                          LPVOID information);
std::FILE* _wfopen(const WCHAR* fileName, const WCHAR* mode);
int _wremove(const WCHAR* fileName);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
