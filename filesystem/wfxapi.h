// The interface between the file-manager host and the plug-in: callback
// types, records and values both sides agree on. Shared by the plug-in and
// our own host program.
#pragma once

#include "platform/win32.h"

typedef int(WINAPI* ProgressProc)(int pluginNr, char* sourceName,
                                  char* targetName, int percentDone);
typedef void(WINAPI* LogProc)(int pluginNr, int messageType, char* text);
typedef int(WINAPI* RequestProc)(int pluginNr, int requestType, char* title,
                                 char* text, char* replyText, int replySize);
// The same callbacks with UTF-16 text, handed over by FsInitW.
typedef int(WINAPI* ProgressProcW)(int pluginNr, WCHAR* sourceName,
                                   WCHAR* targetName, int percentDone);
typedef void(WINAPI* LogProcW)(int pluginNr, int messageType, WCHAR* text);
typedef int(WINAPI* RequestProcW)(int pluginNr, int requestType, WCHAR* title,
                                  WCHAR* text, WCHAR* replyText, int replySize);

// Request type that asks the host for a message with an OK button.
constexpr int kRequestMessageBox = 8;

struct RemoteInfoStruct {
  DWORD sizeLow;
  DWORD sizeHigh;
  FILETIME lastWriteTime;
  int attributes;
};

// copyFlags of FsGetFile.
constexpr int kCopyFlagOverwrite = 1;

// Results of FsGetFile.
constexpr int kFileOk = 0;
constexpr int kFileExists = 1;
constexpr int kFileNotFound = 2;
constexpr int kFileReadError = 3;
constexpr int kFileWriteError = 4;
constexpr int kFileUserAbort = 5;

// Entry point signatures, for hosts that look them up by name.
typedef int(WINAPI* FsInitFn)(int pluginNr, ProgressProc, LogProc, RequestProc);
typedef void(WINAPI* FsGetDefRootNameFn)(char* defRootName, int maxLen);
typedef HANDLE(WINAPI* FsFindFirstFn)(char* path, WIN32_FIND_DATAA* findData);
typedef int(WINAPI* FsFindNextFn)(HANDLE handle, WIN32_FIND_DATAA* findData);
typedef int(WINAPI* FsFindCloseFn)(HANDLE handle);
typedef int(WINAPI* FsGetFileFn)(const char* remoteName, const char* localName,
                                 int copyFlags,
                                 const RemoteInfoStruct* remoteInfo);
typedef int(WINAPI* FsInitWFn)(int pluginNr, ProgressProcW, LogProcW,
                               RequestProcW);
typedef HANDLE(WINAPI* FsFindFirstWFn)(WCHAR* path, WIN32_FIND_DATAW* findData);
typedef int(WINAPI* FsFindNextWFn)(HANDLE handle, WIN32_FIND_DATAW* findData);
typedef int(WINAPI* FsGetFileWFn)(WCHAR* remoteName, WCHAR* localName,
                                  int copyFlags, RemoteInfoStruct* remoteInfo);
