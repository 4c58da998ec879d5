#include "tests/support/plugintest.h"

#include <gtest/gtest.h>

#include "filesystem/exports.h"
#include "platform/native/testapi.h"
#include "tests/support/testdisc.h"

namespace {
bool gSlowTarget = false;
}  // namespace

HostLog& TheHostLog() {
  static HostLog log;
  return log;
}

int WINAPI RecordProgress(int pluginNr, char* source, char* target,
                          int percent) {
  EXPECT_EQ(pluginNr, 7);
  HostLog& log = TheHostLog();
  log.percents.push_back(percent);
  log.sources.push_back(source);
  log.targets.push_back(target);
  const int report = static_cast<int>(log.percents.size()) - 1;
  if (log.onReport) log.onReport(report);
  if (gSlowTarget) WriteToASlowTarget();
  return report == log.stopAtReport ? 1 : log.answer;
}

void WINAPI RecordLog(int, int, char*) {
  ADD_FAILURE() << "the plug-in logs nothing";
}

int WINAPI RecordRequest(int pluginNr, int type, char* title, char* text,
                         char* reply, int replySize) {
  EXPECT_EQ(pluginNr, 7);
  EXPECT_EQ(type, 8);
  EXPECT_STREQ(title, "Xbox DVD Filesystem");
  EXPECT_NE(reply, nullptr);
  EXPECT_EQ(replySize, 8);
  TheHostLog().requests.push_back(text);
  return 1;
}

void CopyFromSlowDriveToSlowTarget() {
  nativewin::ThrottleReads(kSlowDriveRate);
  gSlowTarget = true;
}

void ResetPluginState(PluginState& state) {
  TheHostLog() = HostLog();
  gSlowTarget = false;
  CloseDrive(state.driveCache);
  InitPlugin(state, 7, RecordProgress, RecordLog, RecordRequest);
}

void CloseAndExpectNothingLeft(DriveCache& cache) {
  CloseDrive(cache);
  const nativewin::Stats& stats = nativewin::GetStats();
  EXPECT_EQ(stats.openHandles, 0);
  EXPECT_EQ(stats.liveBlocks, 0u);
  EXPECT_EQ(stats.misalignedReads, 0);
}

HostListing ListThroughHost(const std::string& path) {
  HostListing listed;
  WIN32_FIND_DATAA record;
  std::string buffer = path;
  HANDLE handle = FsFindFirst(&buffer[0], &record);
  if (handle == INVALID_HANDLE_VALUE) {
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES) << path;
    return listed;
  }
  listed.valid = true;
  auto* find = static_cast<TCFS_FNC*>(handle);
  do {
    listed.records.push_back(record);
    listed.names.push_back(record.cFileName);
    listed.sizes.push_back(record.nFileSizeLow);
  } while (FsFindNext(find, &record));
  EXPECT_EQ(FsFindNext(find, &record), 0);  // and so on after the end
  EXPECT_EQ(FsFindClose(find), 0);
  return listed;
}
