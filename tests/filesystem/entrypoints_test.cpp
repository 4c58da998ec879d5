#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "filesystem/exports.h"
#include "filesystem/state.h"
#include "filesystem/tarvel.h"
#include "platform/native/testapi.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

TEST(EntryPoints, RootNameIsCutLikeACopyWithLimit) {
  char name[32];
  std::memset(name, 'z', sizeof name);
  FsGetDefRootName(name, 5);
  EXPECT_STREQ(name, "Xbox");
  FsGetDefRootName(name, 20);
  EXPECT_STREQ(name, "Xbox DVD Filesystem");
  FsGetDefRootName(name, sizeof name);
  EXPECT_STREQ(name, "Xbox DVD Filesystem");
}

TEST(EntryPoints, InitReplacesTheCallbacksButKeepsTheOpenDrive) {
  nativewin::Reset();
  TempDir dir;
  InsertTree(dir, imagewriter::MakeDirectory("", {}));
  ResetPluginState(gPluginState);
  ASSERT_NE(OpenDrive(gPluginState.driveCache, "E:"), nullptr);
  EXPECT_EQ(FsInit(9, nullptr, nullptr, RecordRequest), 0);
  EXPECT_EQ(gPluginState.pluginNr, 9);
  EXPECT_EQ(gPluginState.request, RecordRequest);
  EXPECT_EQ(gPluginState.progress, nullptr);
  EXPECT_TRUE(gPluginState.initialized);
  EXPECT_NE(gPluginState.driveCache.device.handle, nullptr);
  CloseDrive(gPluginState.driveCache);
}

// The plug-in's state closes its drive at exit, after the platform's own
// statics may have gone.
TEST(EntryPointsDeathTest, ExitWithADriveOpenIsClean) {
  nativewin::Reset();
  TempDir dir;
  InsertTree(dir, imagewriter::MakeDirectory("", {}));
  EXPECT_EXIT(
      {
        OpenDrive(gPluginState.driveCache, "E:");
        std::exit(gPluginState.driveCache.device.handle ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(EntryPoints, TemplateLeftovers) {
  EXPECT_EQ(fnTarvel(), 42);
  EXPECT_EQ(nTarvel, 0);
  CTarvel a;
  CTarvel b;
  EXPECT_EQ(&(a = b), &a);
}

TEST(EntryPoints, FindCloseAcceptsNull) { EXPECT_EQ(FsFindClose(nullptr), 0); }

}  // namespace
