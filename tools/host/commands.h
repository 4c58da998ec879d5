// The host's commands. Each prints what it does and returns its outcome, one
// of the exit codes below.
#pragma once

#include <string>
#include <vector>

#include "tools/host/plugin.h"

// Exit codes. A session exits with the outcome of its first failed command.
constexpr int kExitOk = 0;
// 1 to 5: FsGetFile's result (kFileExists .. kFileUserAbort) of a failed copy.
// A listing, version read, load cycle or local folder failed, a copy returned
// an unknown result, or the plug-in reported an error to the user.
constexpr int kExitFailed = 6;
constexpr int kExitUsage = 64;     // bad command line
constexpr int kExitNoPlugin = 65;  // the plug-in DLL cannot be loaded

struct CopyOptions {
  int copyFlags = 0;      // kCopyFlagOverwrite or 0
  int stopAtReport = 0;   // progress report to answer "stop" at; 0: never
  int pauseAtReport = 0;  // progress report to pause at (pause.h); 0: never
  std::string pauseFile;
  bool timed = false;  // a TIME line after the copy
};

using Records = std::vector<WIN32_FIND_DATAA>;

// One whole listing through a find-first, find-next and find-close of
// either side; empty with lastError set when find-first gives no handle.
template <typename Record, typename Char, typename FindNext>
std::vector<Record> ReadListing(HANDLE(WINAPI* findFirst)(Char*, Record*),
                                FindNext findNext, FsFindCloseFn findClose,
                                std::basic_string<Char> path,
                                DWORD& lastError) {
  std::vector<Record> records;
  Record data{};
  SetLastError(0);
  HANDLE handle = findFirst(&path[0], &data);
  if (handle == INVALID_HANDLE_VALUE) {
    lastError = GetLastError();
    return records;
  }
  do {
    records.push_back(data);
    data = Record{};
  } while (findNext(handle, &data));
  findClose(handle);
  return records;
}

// One whole listing, as a file manager reads it before showing a folder;
// empty with lastError set when FsFindFirst gives no handle.
Records ListFolder(const Plugin& plugin, const std::string& path,
                   DWORD& lastError);

// Prints a copy's RESULT line; the copy's outcome as an exit code.
int ReportCopyResult(int result, const std::string& remote);

int ShowRootName(const Plugin& plugin);
int ShowVersion(const Plugin& plugin);
int ListOne(const Plugin& plugin, const std::string& path);
int ListTree(const Plugin& plugin, const std::string& path);
int CopyOutFile(const Plugin& plugin, const std::string& remote,
                const std::string& local, const CopyOptions& options);
// CopyFileA of a local file, the system's own copy to time a get against.
int CopyLocalFile(const std::string& source, const std::string& target,
                  const CopyOptions& options);
int CopyOutFolder(const Plugin& plugin, const std::string& remoteDir,
                  const std::string& localDir, const CopyOptions& options);
