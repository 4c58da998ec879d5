// The interface between a file manager and an archive (packer) plug-in:
// records, callbacks and values both sides agree on. Shared by the plug-in
// and our host program.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// Double Commander on Linux declares the records packed; on Windows they
// have the compiler's natural layout, which differs only on 64-bit.
#ifdef _WIN32
#define WCX_PACKED
#else
#define WCX_PACKED __attribute__((packed))
#endif

struct WCX_PACKED tHeaderData {
  char ArcName[260];
  char FileName[260];
  int Flags;
  int PackSize;
  int UnpSize;
  int HostOS;
  int FileCRC;
  int FileTime;
  int UnpVer;
  int Method;
  int FileAttr;
  char* CmtBuf;
  int CmtBufSize;
  int CmtSize;
  int CmtState;
};

template <typename Char>
struct WCX_PACKED HeaderDataEx {
  Char ArcName[1024];
  Char FileName[1024];
  int Flags;
  unsigned int PackSize;
  unsigned int PackSizeHigh;
  unsigned int UnpSize;
  unsigned int UnpSizeHigh;
  int HostOS;
  int FileCRC;
  int FileTime;
  int UnpVer;
  int Method;
  int FileAttr;
  char* CmtBuf;
  int CmtBufSize;
  int CmtSize;
  int CmtState;
  char Reserved[1024];
};
typedef HeaderDataEx<char> tHeaderDataEx;
typedef HeaderDataEx<WCHAR> tHeaderDataExW;

#ifndef _WIN32
static_assert(sizeof(tHeaderData) == 576, "host's record size");
static_assert(sizeof(tHeaderDataEx) == 3136, "host's record size");
static_assert(sizeof(tHeaderDataExW) == 5184, "host's record size");
#endif

template <typename Char>
struct OpenArchiveData {
  Char* ArcName;
  int OpenMode;
  int OpenResult;
  char* CmtBuf;
  int CmtBufSize;
  int CmtSize;
  int CmtState;
};
typedef OpenArchiveData<char> tOpenArchiveData;
typedef OpenArchiveData<WCHAR> tOpenArchiveDataW;

struct PackDefaultParamStruct {
  int size;
  DWORD PluginInterfaceVersionLow;
  DWORD PluginInterfaceVersionHi;
  char DefaultIniName[MAX_PATH];
};

typedef int(WINAPI* tChangeVolProc)(char* arcName, int mode);
typedef int(WINAPI* tChangeVolProcW)(WCHAR* arcName, int mode);
typedef int(WINAPI* tProcessDataProc)(char* fileName, int size);
typedef int(WINAPI* tProcessDataProcW)(WCHAR* fileName, int size);

// Results.
constexpr int E_END_ARCHIVE = 10;
constexpr int E_NO_MEMORY = 11;
constexpr int E_BAD_DATA = 12;
constexpr int E_BAD_ARCHIVE = 13;
constexpr int E_UNKNOWN_FORMAT = 14;
constexpr int E_EOPEN = 15;
constexpr int E_ECREATE = 16;
constexpr int E_ECLOSE = 17;
constexpr int E_EREAD = 18;
constexpr int E_EWRITE = 19;
constexpr int E_EABORTED = 21;
constexpr int E_NOT_SUPPORTED = 24;

// OpenMode, and the operation of ProcessFile.
constexpr int PK_OM_LIST = 0;
constexpr int PK_OM_EXTRACT = 1;
constexpr int PK_SKIP = 0;
constexpr int PK_TEST = 1;
constexpr int PK_EXTRACT = 2;

// GetPackerCaps.
constexpr int PK_CAPS_NEW = 1;
constexpr int PK_CAPS_MODIFY = 2;
constexpr int PK_CAPS_MULTIPLE = 4;
constexpr int PK_CAPS_DELETE = 8;
constexpr int PK_CAPS_OPTIONS = 16;
constexpr int PK_CAPS_MEMPACK = 32;
constexpr int PK_CAPS_BY_CONTENT = 64;
constexpr int PK_CAPS_SEARCHTEXT = 128;
constexpr int PK_CAPS_HIDE = 256;
constexpr int PK_CAPS_ENCRYPT = 512;

// PackFiles' flags.
constexpr int PK_PACK_MOVE_FILES = 1;
constexpr int PK_PACK_SAVE_PATHS = 2;
constexpr int PK_PACK_ENCRYPT = 4;

// GetBackgroundFlags.
constexpr int BACKGROUND_UNPACK = 1;

// Entry point signatures of the wide calls, for hosts that look them up by
// name.
typedef HANDLE(WINAPI* OpenArchiveWFn)(tOpenArchiveDataW* data);
typedef int(WINAPI* ReadHeaderExWFn)(HANDLE archive, tHeaderDataExW* header);
typedef int(WINAPI* ProcessFileWFn)(HANDLE archive, int operation,
                                    WCHAR* destPath, WCHAR* destName);
typedef int(WINAPI* CloseArchiveFn)(HANDLE archive);
typedef void(WINAPI* SetProcessDataProcWFn)(HANDLE archive,
                                            tProcessDataProcW proc);
typedef int(WINAPI* GetPackerCapsFn)();
typedef int(WINAPI* PackFilesWFn)(WCHAR* packedFile, WCHAR* subPath,
                                  WCHAR* srcPath, WCHAR* addList, int flags);
typedef int(WINAPI* DeleteFilesWFn)(WCHAR* packedFile, WCHAR* deleteList);
typedef BOOL(WINAPI* CanYouHandleThisFileWFn)(WCHAR* fileName);
typedef int(WINAPI* GetBackgroundFlagsFn)();
