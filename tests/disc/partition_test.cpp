// Mounting plain and whole-disc images: where the game partition is looked
// for, what it costs, and that everything on it reads through its base.
#include "disc/partition.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "disc/device.h"
#include "disc/drivecache.h"
#include "filesystem/exports.h"
#include "platform/native/testapi.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::DiscLayout;
using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;
using imagewriter::TreeNode;

constexpr std::uint64_t kDescriptorOffset = 0x10000;
constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

// Device reads of a volume descriptor, at any of the bases.
int DescriptorReads() {
  int count = 0;
  for (const auto& read : nativewin::GetStats().reads) {
    for (std::uint64_t base : kPartitionBases) {
      count += read.offset == base + kDescriptorOffset ? 1 : 0;
    }
  }
  return count;
}

TreeNode FarFile(const std::string& name, std::uint32_t size,
                 std::uint32_t seed) {
  TreeNode file = MakePatternFile(name, size, seed);
  // One sector past 4 GiB of the partition, so that every position of the
  // file has a high part and a low part.
  file.earliestSector = static_cast<std::uint32_t>(kFourGiB / kSectorSize) + 1;
  return file;
}

// A partition-relative raw image moved to a base.
imagewriter::RawImage AtBase(imagewriter::RawImage raw, std::uint64_t base,
                             std::uint64_t discSize) {
  for (auto& piece : raw.pieces) piece.offset += base;
  raw.size = std::max(raw.size + base, discSize);
  return raw;
}

struct LayoutCase {
  const char* name;
  DiscLayout layout;
  std::uint64_t base;
  int descriptorReads;
};

class WholeDisc : public ::testing::TestWithParam<LayoutCase> {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(gPluginState);
  }
  void TearDown() override {
    CloseAndExpectNothingLeft(gPluginState.driveCache);
  }

  // Lists the folder through the entry points, compares it with the tree
  // and copies every file, recursing.
  void CompareFolder(const std::string& path, const TreeNode& folder) {
    const HostListing listed = ListThroughHost(path);
    ASSERT_EQ(listed.names.size(), folder.children.size()) << path;
    for (const TreeNode& child : folder.children) {
      const std::string childPath = path + "\\" + child.name;
      if (child.isDirectory) {
        CompareFolder(childPath, child);
        continue;
      }
      const std::string local = dir_.File("copy");
      ASSERT_EQ(FsGetFile(childPath.c_str(), local.c_str(), kCopyFlagOverwrite,
                          nullptr),
                kFileOk)
          << childPath;
      EXPECT_EQ(ReadWholeFile(local), ExpectedContent(child)) << childPath;
      ++copied_;
    }
  }

  TempDir dir_;
  int copied_ = 0;
};

TEST_P(WholeDisc, ListsAndCopiesEverythingReadingEachTableOnce) {
  const LayoutCase& c = GetParam();
  const TreeNode tree = MakeDirectory(
      "",
      {MakePatternFile("readme.txt", 100, 1),
       MakeDirectory(
           "media", {MakePatternFile("level.bin", 70000, 2),
                     MakeDirectory("deep", {MakePatternFile("x.dat", 5000, 3)}),
                     MakeDirectory("empty")}),
       MakePatternFile(std::string(196, 'n') + ".bin", 10, 4),
       FarFile("far.bin", 70000, 5)});
  imagewriter::WriteOptions options;
  options.layout = c.layout;
  const imagewriter::LayoutReport report =
      InsertTree(dir_, tree, "E:\\", options);
  ASSERT_EQ(report.partitionBase, c.base);
  nativewin::ResetStats();

  CompareFolder("\\E:", tree);
  EXPECT_EQ(copied_, 5);

  const nativewin::Stats& stats = nativewin::GetStats();
  EXPECT_EQ(stats.opens.size(), 1u);
  EXPECT_EQ(DescriptorReads(), c.descriptorReads);
  std::printf("%s: %d descriptor read(s) per mount\n", c.name,
              DescriptorReads());
  for (const imagewriter::PlacedTable& table : report.tables) {
    int reads = 0;
    for (const auto& read : stats.reads) {
      reads += read.offset == c.base + SectorToOffset(table.startSector);
    }
    EXPECT_EQ(reads, 1) << "/" << table.path;
  }
  const std::uint64_t far =
      c.base +
      SectorToOffset(
          imagewriter::FindPlacedEntry(report, "far.bin")->startSector);
  ASSERT_GT(far, kFourGiB);
  EXPECT_EQ(stats.reads.back().offset, far + 65536);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WholeDisc,
    ::testing::Values(LayoutCase{"plain", DiscLayout::kPlain, 0, 1},
                      LayoutCase{"xgd1", DiscLayout::kXgd1, 0x18300000, 2},
                      LayoutCase{"xgd2", DiscLayout::kXgd2, 0xFD90000, 3},
                      LayoutCase{"xgd3", DiscLayout::kXgd3, 0x2080000, 4}),
    [](const auto& info) { return std::string(info.param.name); });

class PartitionProbe : public ::testing::Test {
 protected:
  void SetUp() override { nativewin::Reset(); }
  void TearDown() override { CloseAndExpectNothingLeft(cache_); }
  TempDir dir_;
  DriveCache cache_;
};

TEST_F(PartitionProbe, DescriptorNeedsBothSignatures) {
  const imagewriter::RawImage signed_ =
      RawDiscWithRoot({imagewriter::MakeRawEntry("found", 0, 40, 1)});
  const std::uint64_t tail = kDescriptorOffset + 2028;
  for (std::uint64_t wiped : {kDescriptorOffset, tail}) {
    imagewriter::RawImage half = signed_;
    imagewriter::PutBytes(&half, wiped, std::vector<std::uint8_t>(20, 0));
    // The half-signed descriptor at base 0 does not count; at the XGD3 base
    // a whole one does.
    imagewriter::RawImage disc = AtBase(signed_, 0x2080000, 0);
    for (const auto& piece : half.pieces) {
      imagewriter::PutBytes(&disc, piece.offset, piece.bytes);
    }
    InsertRaw(dir_, disc);
    nativewin::ResetStats();
    DirNode* root = nullptr;
    ASSERT_NE(OpenDrive(cache_, "E:", &root), nullptr) << wiped;
    EXPECT_EQ(root->children.at(0).name, "found");
    EXPECT_EQ(cache_.device.base, 0x2080000u);
    EXPECT_EQ(DescriptorReads(), 4);
    CloseDrive(cache_);

    InsertRaw(dir_, half);
    EXPECT_EQ(OpenDrive(cache_, "E:"), nullptr) << wiped;
  }
}

TEST_F(PartitionProbe, VideoOnlyDiscIsRefusedAfterFourDescriptorReads) {
  InsertRaw(dir_, imagewriter::VideoOnlyDisc(DiscLayout::kXgd1));
  ResetPluginState(gPluginState);
  nativewin::ResetStats();
  EXPECT_FALSE(ListThroughHost("\\E:").valid);
  const nativewin::Stats& stats = nativewin::GetStats();
  EXPECT_EQ(stats.reads.size(), 4u);
  EXPECT_EQ(DescriptorReads(), 4);
  EXPECT_EQ(stats.openHandles, 0);
  ASSERT_EQ(nativewin::MessageBoxes().size(), 1u);
  EXPECT_EQ(nativewin::MessageBoxes()[0].text, "ERROR: cant open 'E:' device");
}

TEST_F(PartitionProbe, FailedProbesOnlyMeanNotHere) {
  const TreeNode tree =
      MakeDirectory("", {MakePatternFile("game.bin", 3000, 6)});
  imagewriter::WriteOptions options;
  options.layout = DiscLayout::kXgd3;
  InsertTree(dir_, tree, "E:\\", options);
  // Base 0 reads nothing, the XGD1 base half a sector, the XGD2 base
  // cannot even be reached.
  nativewin::ZeroReadAtSector(kDescriptorOffset / kSectorSize);
  nativewin::ShortReadAtSector((0x18300000 + kDescriptorOffset) / kSectorSize,
                               1024);
  nativewin::FailSeekTo(0xFD90000 + kDescriptorOffset);
  DirNode* root = nullptr;
  ASSERT_NE(OpenDrive(cache_, "E:", &root), nullptr);
  EXPECT_EQ(root->children.at(0).name, "game.bin");
  EXPECT_EQ(cache_.device.base, 0x2080000u);

  // Failing everywhere, the mount fails as before and the base is 0 again.
  Device device = OpenE();
  nativewin::ZeroReadAtSector((0x2080000 + kDescriptorOffset) / kSectorSize);
  Extent extent;
  EXPECT_EQ(vepo_findpartition(device, &extent), 1);
  EXPECT_EQ(device.base, 0u);
  vepo_closedevice(device);
}

}  // namespace
