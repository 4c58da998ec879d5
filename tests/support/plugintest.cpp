#include "tests/support/plugintest.h"

#include <gtest/gtest.h>

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

void ResetPluginState(PluginState& state) {
  TheHostLog() = HostLog();
  CloseDrive(state.driveCache);
  InitPlugin(state, 7, RecordProgress, RecordLog, RecordRequest);
}
