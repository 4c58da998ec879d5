// The host's commands. Each prints what it does and returns its outcome, one
// of the exit codes of exitcodes.h.
#pragma once

#include <string>
#include <vector>

#include "tools/host/exitcodes.h"
#include "tools/host/plugin.h"

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
