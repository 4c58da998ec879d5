#include "disc/drivecache.h"

#include <gtest/gtest.h>

#include "platform/native/testapi.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;

class DriveCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    InsertTree(dir_, MakeDirectory("", {MakePatternFile("on-e", 3, 1)}),
               "E:\\");
    fImage_ =
        WriteTree(dir_, MakeDirectory("", {MakePatternFile("on-f", 3, 2)}));
    nativewin::AddDrive("F:\\", DRIVE_CDROM, fImage_);
    nativewin::ResetStats();
  }
  void TearDown() override {
    CloseDrive(cache_);
    EXPECT_EQ(nativewin::GetStats().openHandles, 0);
  }
  std::size_t Opens() const { return nativewin::GetStats().opens.size(); }

  TempDir dir_;
  std::string fImage_;
  DriveCache cache_;
};

TEST_F(DriveCacheTest, SameDriveInAnyCaseCostsNoDeviceAccess) {
  DirNode* root = nullptr;
  const Device* e = OpenDrive(cache_, "E:", &root);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(root, &cache_.root);
  EXPECT_EQ(root->children[0].name, "on-e");
  EXPECT_EQ(nativewin::GetStats().opens[0].path, "\\\\.\\E:");
  const std::size_t reads = nativewin::GetStats().reads.size();

  DirNode* again = nullptr;
  EXPECT_EQ(OpenDrive(cache_, "e:", &again), e);
  EXPECT_EQ(again, root);
  EXPECT_EQ(OpenDrive(cache_, "E:"), e);
  EXPECT_EQ(Opens(), 1u);
  EXPECT_EQ(nativewin::GetStats().reads.size(), reads);
}

TEST_F(DriveCacheTest, AnotherDriveReplacesTheOpenOne) {
  ASSERT_NE(OpenDrive(cache_, "E:"), nullptr);
  DirNode* root = nullptr;
  ASSERT_NE(OpenDrive(cache_, "F:", &root), nullptr);
  EXPECT_EQ(root->children[0].name, "on-f");
  EXPECT_EQ(nativewin::GetStats().closes, 1);
  EXPECT_EQ(nativewin::GetStats().openHandles, 1);
  EXPECT_STREQ(cache_.driveName, "F:");
}

TEST_F(DriveCacheTest, CloseForgetsTheTreeAndTheNextOpenMountsAfresh) {
  ASSERT_NE(OpenDrive(cache_, "E:"), nullptr);
  CloseDrive(cache_);
  EXPECT_EQ(cache_.device.handle, nullptr);
  EXPECT_TRUE(cache_.root.children.empty());
  EXPECT_FALSE(cache_.root.childrenLoaded);
  CloseDrive(cache_);  // closing a closed cache does nothing
  EXPECT_EQ(nativewin::GetStats().closes, 1);

  // A disc changed while the drive was closed is seen.
  nativewin::SetImage("E:\\", "");
  EXPECT_EQ(OpenDrive(cache_, "E:"), nullptr);
  EXPECT_EQ(Opens(), 2u);
}

TEST_F(DriveCacheTest, DiscIsCheckedOnlyWhenACheckIsDue) {
  ASSERT_NE(OpenDrive(cache_, "E:"), nullptr);
  const std::size_t reads = nativewin::GetStats().reads.size();
  // Within one host call the tree is used as it is.
  nativewin::ChangeMedium("E:\\", fImage_);
  DirNode* root = nullptr;
  ASSERT_NE(OpenDrive(cache_, "E:", &root), nullptr);
  EXPECT_EQ(root->children[0].name, "on-e");
  EXPECT_EQ(nativewin::GetStats().mediaChecks, 1);  // at the mount only

  CheckDiscOnNextOpen(cache_);
  ASSERT_NE(OpenDrive(cache_, "E:", &root), nullptr);
  EXPECT_EQ(root->children[0].name, "on-f");
  EXPECT_EQ(Opens(), 2u);
  // The count told: no sector was read to check, only to mount afresh.
  EXPECT_EQ(nativewin::GetStats().reads.size(), reads + 2);
}

TEST_F(DriveCacheTest, WithoutACountTheDescriptorIsReadAgain) {
  nativewin::FailMediaChangeCount();
  ASSERT_NE(OpenDrive(cache_, "E:"), nullptr);
  nativewin::ResetStats();
  CheckDiscOnNextOpen(cache_);
  ASSERT_NE(OpenDrive(cache_, "E:"), nullptr);
  const auto& reads = nativewin::GetStats().reads;
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].offset, 0x10000u);
  EXPECT_EQ(reads[0].requested, 2048u);

  // A failed check read drops the drive; the mount then fails on the same
  // sector, and succeeds once the sector reads again.
  nativewin::ZeroReadAtSector(32);
  CheckDiscOnNextOpen(cache_);
  EXPECT_EQ(OpenDrive(cache_, "E:"), nullptr);
  EXPECT_EQ(cache_.device.handle, nullptr);
  nativewin::ClearFaults();
  EXPECT_NE(OpenDrive(cache_, "E:"), nullptr);
}

TEST_F(DriveCacheTest, FailedOpensLeaveTheCacheClosed) {
  ASSERT_NE(OpenDrive(cache_, "E:"), nullptr);
  DirNode* untouched = reinterpret_cast<DirNode*>(0x1);
  EXPECT_EQ(OpenDrive(cache_, "Q:", &untouched), nullptr);
  EXPECT_EQ(untouched, reinterpret_cast<DirNode*>(0x1));
  EXPECT_EQ(cache_.device.handle, nullptr);
  EXPECT_STREQ(cache_.driveName, "E:");  // kept, but nothing is open
  EXPECT_NE(OpenDrive(cache_, "E:"), nullptr);
  EXPECT_EQ(Opens(), 3u);
}

TEST_F(DriveCacheTest, FailedMountClosesTheDeviceAndIsRetried) {
  TempDir other;
  imagewriter::RawImage notXbox;
  imagewriter::PutBytes(&notXbox, 0, std::vector<std::uint8_t>(1 << 17, 0));
  InsertRaw(other, notXbox, "G:\\");
  EXPECT_EQ(OpenDrive(cache_, "G:"), nullptr);
  EXPECT_EQ(nativewin::GetStats().openHandles, 0);
  EXPECT_STREQ(cache_.driveName, "G:");
  EXPECT_TRUE(cache_.root.children.empty());
  EXPECT_EQ(OpenDrive(cache_, "G:"), nullptr);
  EXPECT_EQ(Opens(), 2u);
}

TEST_F(DriveCacheTest, OverlongDriveNamesAreCutAndNeverMatch) {
  const std::string longName(20, 'x');
  EXPECT_EQ(OpenDrive(cache_, longName.c_str()), nullptr);
  EXPECT_EQ(nativewin::GetStats().opens[0].path, "\\\\.\\" + longName);
  EXPECT_EQ(OpenDrive(cache_, longName.c_str()), nullptr);
  EXPECT_EQ(Opens(), 2u);
}

TEST(DriveCacheLifetime, DestructionClosesTheDevice) {
  nativewin::Reset();
  TempDir dir;
  InsertTree(dir, MakeDirectory("", {}));
  {
    DriveCache cache;
    ASSERT_NE(OpenDrive(cache, "E:"), nullptr);
    EXPECT_EQ(nativewin::GetStats().openHandles, 1);
  }
  EXPECT_EQ(nativewin::GetStats().openHandles, 0);
}

}  // namespace

namespace {

TEST(DriveCacheVolumeTime, HoldsTheMountedVolumesTimeUntilClosed) {
  nativewin::Reset();
  TempDir dir;
  imagewriter::WriteOptions options;
  options.timestamp = 0x01D2C3B4A5968778ull;  // all eight bytes count
  InsertTree(dir, imagewriter::MakeDirectory("", {}), "E:\\", options);
  DriveCache cache;
  ASSERT_NE(OpenDrive(cache, "E:"), nullptr);
  EXPECT_EQ(cache.volumeTime, options.timestamp);
  // The descriptor's one read gives the time too: then the root table.
  EXPECT_EQ(nativewin::GetStats().reads.size(), 2u);
  CloseDrive(cache);
  EXPECT_EQ(cache.volumeTime, 0u);
}

}  // namespace
