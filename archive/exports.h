// The archive plug-in's entry points, looked up by name.
#pragma once

#include "archive/wcxapi.h"

extern "C" {
HANDLE WINAPI OpenArchive(tOpenArchiveData* archiveData);
HANDLE WINAPI OpenArchiveW(tOpenArchiveDataW* archiveData);
int WINAPI ReadHeader(HANDLE archive, tHeaderData* header);
int WINAPI ReadHeaderEx(HANDLE archive, tHeaderDataEx* header);
int WINAPI ReadHeaderExW(HANDLE archive, tHeaderDataExW* header);
int WINAPI ProcessFile(HANDLE archive, int operation, char* destPath,
                       char* destName);
int WINAPI ProcessFileW(HANDLE archive, int operation, WCHAR* destPath,
                        WCHAR* destName);
int WINAPI CloseArchive(HANDLE archive);
void WINAPI SetChangeVolProc(HANDLE archive, tChangeVolProc proc);
void WINAPI SetChangeVolProcW(HANDLE archive, tChangeVolProcW proc);
void WINAPI SetProcessDataProc(HANDLE archive, tProcessDataProc proc);
void WINAPI SetProcessDataProcW(HANDLE archive, tProcessDataProcW proc);
int WINAPI PackFiles(char* packedFile, char* subPath, char* srcPath,
                     char* addList, int flags);
int WINAPI PackFilesW(WCHAR* packedFile, WCHAR* subPath, WCHAR* srcPath,
                      WCHAR* addList, int flags);
int WINAPI DeleteFiles(char* packedFile, char* deleteList);
int WINAPI DeleteFilesW(WCHAR* packedFile, WCHAR* deleteList);
int WINAPI GetPackerCaps();
BOOL WINAPI CanYouHandleThisFile(char* fileName);
BOOL WINAPI CanYouHandleThisFileW(WCHAR* fileName);
void WINAPI PackSetDefaultParams(PackDefaultParamStruct* params);
int WINAPI GetBackgroundFlags();
}
