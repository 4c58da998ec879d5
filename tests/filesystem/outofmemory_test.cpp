// Memory running out for the plug-in's own objects, not its device blocks:
// the nodes of a wide table and the copies of them that walks hand out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "disc/drivecache.h"
#include "disc/format.h"
#include "filesystem/exports.h"
#include "filesystem/state.h"
#include "platform/native/testapi.h"
#include "tests/support/failingnew.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

constexpr int kEntries = 5000;
// Far below what the nodes of kEntries entries take, far above anything
// else the calls allocate.
constexpr std::size_t kShortOfMemory = 256 * 1024;

class OutOfMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(gPluginState);
    std::vector<imagewriter::RawEntry> entries;
    for (int i = 0; i < kEntries; ++i) {
      char name[8];
      std::snprintf(name, sizeof name, "%05d", i);
      entries.push_back(imagewriter::MakeRawEntry(name, 0, 40, 1));
    }
    imagewriter::RawImage raw = RawDiscWithRoot(entries);
    imagewriter::PutBytes(&raw, SectorToOffset(40), {'x'});
    InsertRaw(dir_, raw);
  }
  void TearDown() override {
    CloseDrive(gPluginState.driveCache);
    EXPECT_EQ(nativewin::GetStats().openHandles, 0);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  }

  TempDir dir_;
};

TEST_F(OutOfMemory, TableScanFreesItsBlockAndLeavesTheListAsItWas) {
  Device device = OpenE();
  Extent root;
  ASSERT_EQ(vepo_readvolumedescriptor(device, &root), 0);
  std::vector<DirNode> list(1);
  list[0].name = "kept";
  {
    FailNewAbove shortOfMemory(kShortOfMemory);
    EXPECT_EQ(vepo_readdirtable(device, root, list), kTableNoMemory);
  }
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "kept");
  EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  vepo_closedevice(device);
}

TEST_F(OutOfMemory, FailedMountLeavesTheDriveClosedAndTheNextListingWhole) {
  {
    FailNewAbove shortOfMemory(kShortOfMemory);
    EXPECT_FALSE(ListThroughHost("\\E:").valid);
  }
  EXPECT_EQ(gPluginState.driveCache.device.handle, nullptr);
  EXPECT_EQ(nativewin::GetStats().openHandles, 0);
  ASSERT_EQ(nativewin::MessageBoxes().size(), 1u);
  EXPECT_EQ(nativewin::MessageBoxes()[0].text, "ERROR: cant open 'E:' device");
  EXPECT_EQ(ListThroughHost("\\E:").names.size(),
            static_cast<std::size_t>(kEntries));
}

TEST_F(OutOfMemory, CopyThatFailsAtTheBoundarySaysSo) {
  ASSERT_TRUE(ListThroughHost("\\E:").valid);
  const std::string local = dir_.File("copy");
  {
    // The lookup copies the loaded root with all its nodes.
    FailNewAbove shortOfMemory(kShortOfMemory);
    EXPECT_EQ(FsGetFile("\\E:\\04999", local.c_str(), 0, nullptr),
              kFileReadError);
  }
  EXPECT_EQ(
      TheHostLog().requests,
      std::vector<std::string>{"ERROR: file 'E:\\04999' cannot be copied"});
  EXPECT_EQ(GetFileAttributesA(local.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FsGetFile("\\E:\\04999", local.c_str(), 0, nullptr), kFileOk);
  EXPECT_EQ(ReadWholeFile(local), "x");
}

// The wide side says the same in UTF-16, with nothing to allocate either.
TEST_F(OutOfMemory, WideCopyThatFailsAtTheBoundarySaysSo) {
  ASSERT_TRUE(ListThroughHost("\\E:").valid);
  FsInitW(7, nullptr, nullptr, nullptr);
  const std::string local = dir_.File("copy \xC5\x81");
  WCHAR remote[] = u"\\E:\\04999";
  WCHAR wideLocal[512] = {};
  std::copy(local.begin(), local.end() - 2, wideLocal);
  wideLocal[local.size() - 2] = u'\u0141';
  {
    FailNewAbove shortOfMemory(kShortOfMemory);
    EXPECT_EQ(FsGetFileW(remote, wideLocal, 0, nullptr), kFileReadError);
  }
  ASSERT_EQ(nativewin::MessageBoxes().size(), 1u);
  EXPECT_TRUE(nativewin::MessageBoxes()[0].wide);
  EXPECT_EQ(nativewin::MessageBoxes()[0].text,
            "ERROR: file 'E:\\04999' cannot be copied");
  EXPECT_EQ(GetFileAttributesA(local.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FsGetFileW(remote, wideLocal, 0, nullptr), kFileOk);
  EXPECT_EQ(ReadWholeFile(local), "x");
}

}  // namespace
