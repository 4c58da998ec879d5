// A plug-in state with recording host callbacks, for tests of the entry
// points and what lies behind them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "filesystem/state.h"

struct HostLog {
  std::vector<std::string> requests;  // texts of type-8 requests
  std::vector<int> percents;
  std::vector<std::string> sources;
  std::vector<std::string> targets;
  int stopAtReport = -1;  // answer 1 at this report (0-based)
  int answer = 0;         // the answer to every other report
  std::function<void(int report)> onReport;  // runs before the answer
};

// The log the callbacks below write to.
HostLog& TheHostLog();

int WINAPI RecordProgress(int pluginNr, char* source, char* target,
                          int percent);
void WINAPI RecordLog(int pluginNr, int type, char* text);
int WINAPI RecordRequest(int pluginNr, int type, char* title, char* text,
                         char* reply, int replySize);

// The drive reads at kSlowDriveRate and every progress report takes as long
// as a chunk's write to a slow target (WriteToASlowTarget): copies read
// ahead after their first three chunks. Until ResetPluginState.
void CopyFromSlowDriveToSlowTarget();

// Clears the log, closes the open drive and initialises state with the
// recording callbacks.
void ResetPluginState(PluginState& state);

// Closes the drive, then checks that no handle or block is left and that no
// device read broke the alignment.
void CloseAndExpectNothingLeft(DriveCache& cache);

// One whole listing through the exported calls, as the host reads a folder.
struct HostListing {
  bool valid = false;  // FsFindFirst gave a handle
  std::vector<WIN32_FIND_DATAA> records;
  std::vector<std::string> names;
  std::vector<DWORD> sizes;  // low parts
};
HostListing ListThroughHost(const std::string& path);
