// The module's entry points: thin shims that keep every exception inside the
// plug-in and fail the way each call fails anyway.
#include "filesystem/exports.h"

#include "filesystem/copyout.h"
#include "filesystem/drivefields.h"
#include "filesystem/listing.h"
#include "filesystem/state.h"
#include "filesystem/widelisting.h"
#include "plugin/titlefields.h"
#include "plugin/wdxapi.h"

extern "C" int WINAPI FsInit(int pluginNr, ProgressProc progress, LogProc log,
                             RequestProc request) {
  return InitPlugin(gPluginState, pluginNr, progress, log, request);
}

extern "C" void WINAPI FsGetDefRootName(char* defRootName, int maxLen) {
  GetDefRootName(defRootName, maxLen);
}

extern "C" HANDLE WINAPI FsFindFirst(char* path, WIN32_FIND_DATAA* findData) {
  try {
    return OpenListing(gPluginState, NarrowText(path), findData);
  } catch (...) {
    SetLastError(ERROR_NO_MORE_FILES);
    return INVALID_HANDLE_VALUE;
  }
}

extern "C" int WINAPI FsFindNext(TCFS_FNC* handle, WIN32_FIND_DATAA* findData) {
  return NextListingRecord(handle, findData);
}

extern "C" int WINAPI FsFindClose(TCFS_FNC* handle) {
  return CloseListing(handle);
}

extern "C" int WINAPI FsGetFile(const char* remoteName, const char* localName,
                                int copyFlags,
                                const RemoteInfoStruct* /*remoteInfo*/) {
  try {
    return CopyFileOut(gPluginState, NarrowText(remoteName),
                       NarrowText(localName), copyFlags);
  } catch (...) {
    ShowCopyFailure(gPluginState, remoteName);
    return kFileReadError;
  }
}

// The wide entry points: the same calls, their text converted here.
extern "C" int WINAPI FsInitW(int pluginNr, ProgressProcW progress,
                              LogProcW log, RequestProcW request) {
  return InitPluginW(gPluginState, pluginNr, progress, log, request);
}

extern "C" HANDLE WINAPI FsFindFirstW(WCHAR* path, WIN32_FIND_DATAW* findData) {
  try {
    return OpenWideListing(gPluginState, path, findData);
  } catch (...) {
    SetLastError(ERROR_NO_MORE_FILES);
    return INVALID_HANDLE_VALUE;
  }
}

extern "C" int WINAPI FsFindNextW(TCFS_FNC* handle,
                                  WIN32_FIND_DATAW* findData) {
  return NextWideListingRecord(handle, findData);
}

extern "C" int WINAPI FsGetFileW(WCHAR* remoteName, WCHAR* localName,
                                 int copyFlags,
                                 RemoteInfoStruct* /*remoteInfo*/) {
  try {
    return CopyFileOut(gPluginState, WideText(remoteName), WideText(localName),
                       copyFlags);
  } catch (...) {
    ShowCopyFailure(gPluginState, remoteName);
    return kFileReadError;
  }
}

// Asked before FsInit too: nothing here needs the plug-in's state.
extern "C" int WINAPI FsContentGetSupportedField(int fieldIndex,
                                                 char* fieldName, char* units,
                                                 int maxlen) {
  return SupportedField(fieldIndex, fieldName, units, maxlen);
}

extern "C" int WINAPI FsContentGetValue(char* fileName, int fieldIndex, int,
                                        void* fieldValue, int maxlen, int) {
  try {
    return DriveFieldValue(NarrowText(fileName ? fileName : ""), fieldIndex,
                           false, fieldValue, maxlen);
  } catch (...) {
    return ft_fileerror;
  }
}

extern "C" int WINAPI FsContentGetValueW(WCHAR* fileName, int fieldIndex, int,
                                         void* fieldValue, int maxlen, int) {
  static const WCHAR kEmpty[] = {0};
  try {
    return DriveFieldValue(WideText(fileName ? fileName : kEmpty), fieldIndex,
                           true, fieldValue, maxlen);
  } catch (...) {
    return ft_fileerror;
  }
}

// Empty: the drives are folders, which any extension term would leave out,
// and an empty string lets the host ask for every entry.
extern "C" void WINAPI FsContentGetDetectString(char* detectString,
                                                int maxlen) {
  if (detectString && maxlen > 0) detectString[0] = '\0';
}

extern "C" void WINAPI FsContentPluginUnloading() { ForgetDriveFields(); }

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
