// The module's entry points: thin shims that keep every exception inside the
// plug-in and fail the way each call fails anyway.
#include "filesystem/exports.h"

#include "filesystem/copyout.h"
#include "filesystem/listing.h"
#include "filesystem/state.h"
#include "filesystem/widelisting.h"

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

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
