// The entry points the host looks up by name.
#pragma once

#include "filesystem/wfxapi.h"

struct TCFS_FNC;

extern "C" {
int WINAPI FsInit(int pluginNr, ProgressProc progress, LogProc log,
                  RequestProc request);
void WINAPI FsGetDefRootName(char* defRootName, int maxLen);
HANDLE WINAPI FsFindFirst(char* path, WIN32_FIND_DATAA* findData);
int WINAPI FsFindNext(TCFS_FNC* handle, WIN32_FIND_DATAA* findData);
int WINAPI FsFindClose(TCFS_FNC* handle);
int WINAPI FsGetFile(const char* remoteName, const char* localName,
                     int copyFlags, const RemoteInfoStruct* remoteInfo);
int WINAPI FsInitW(int pluginNr, ProgressProcW progress, LogProcW log,
                   RequestProcW request);
HANDLE WINAPI FsFindFirstW(WCHAR* path, WIN32_FIND_DATAW* findData);
int WINAPI FsFindNextW(TCFS_FNC* handle, WIN32_FIND_DATAW* findData);
int WINAPI FsGetFileW(WCHAR* remoteName, WCHAR* localName, int copyFlags,
                      RemoteInfoStruct* remoteInfo);
// The game of the disc in each drive of the root listing, as columns.
int WINAPI FsContentGetSupportedField(int fieldIndex, char* fieldName,
                                      char* units, int maxlen);
int WINAPI FsContentGetValue(char* fileName, int fieldIndex, int unitIndex,
                             void* fieldValue, int maxlen, int flags);
int WINAPI FsContentGetValueW(WCHAR* fileName, int fieldIndex, int unitIndex,
                              void* fieldValue, int maxlen, int flags);
void WINAPI FsContentGetDetectString(char* detectString, int maxlen);
void WINAPI FsContentPluginUnloading();
}
