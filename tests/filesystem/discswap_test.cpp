// A disc swapped in the drive between host calls, or during a copy, without
// the plug-in's root listed in between: the new disc is shown, or the call
// fails with its message; never the old tree or wrong bytes as a success.
#include <gtest/gtest.h>

#include <string>

#include "filesystem/exports.h"
#include "platform/native/testapi.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;

// Whether the drive keeps a count of media changes (Windows, Linux) or not
// (Wine), in which case the descriptor is read again.
class DiscSwap : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(gPluginState);
    if (!GetParam()) nativewin::FailMediaChangeCount();
    InsertTree(dir_, Disc("a", 1));
    // Mastered at another time, as two discs are.
    imagewriter::WriteOptions later;
    later.timestamp = 0x01D2000000000000ull;
    b_ = WriteTree(dir_, Disc("b", 2), later);
  }
  void TearDown() override {
    CloseAndExpectNothingLeft(gPluginState.driveCache);
  }

  // A disc with a folder of its own, and a shared folder whose file has
  // the same size on both discs.
  static imagewriter::TreeNode Disc(const std::string& name, int seed) {
    return MakeDirectory(
        "", {MakeDirectory(name + "-only", {MakePatternFile("x", 10, seed)}),
             MakeDirectory("shared", {MakePatternFile("f", 150000, seed)}),
             MakePatternFile("readme-" + name, 100, seed)});
  }
  static std::string Bytes(int seed) {
    return ExpectedContent(MakePatternFile("f", 150000, seed));
  }
  int Get(const std::string& remote) {
    return FsGetFile(remote.c_str(), local_.c_str(), kCopyFlagOverwrite,
                     nullptr);
  }

  TempDir dir_;
  std::string b_;
  std::string local_ = dir_.File("copy");
};

TEST_P(DiscSwap, EveryCallAfterTheSwapSeesTheNewDisc) {
  ASSERT_EQ(ListThroughHost("\\E:\\shared").names,
            std::vector<std::string>{"f"});
  ASSERT_EQ(Get("\\E:\\shared\\f"), kFileOk);
  nativewin::ChangeMedium("E:\\", b_);

  EXPECT_EQ(ListThroughHost("\\E:").names,
            (std::vector<std::string>{"readme-b", "b-only", "shared"}));
  EXPECT_EQ(Get("\\E:\\shared\\f"), kFileOk);
  EXPECT_EQ(ReadWholeFile(local_), Bytes(2));

  // What only the old disc had is missing, with the usual messages.
  EXPECT_FALSE(ListThroughHost("\\E:\\a-only").valid);
  ASSERT_EQ(nativewin::MessageBoxes().size(), 1u);
  EXPECT_EQ(nativewin::MessageBoxes()[0].text.find(
                "ERROR: vepo_getupdatedirsubtree error, path: 'E:\\a-only', "
                "code = 1"),
            0u);
  EXPECT_EQ(Get("\\E:\\a-only\\x"), kFileNotFound);
  EXPECT_EQ(TheHostLog().requests,
            std::vector<std::string>{"ERROR: file 'E:\\a-only\\x' not found"});
}

TEST_P(DiscSwap, EachCallChecksOnceAtTheCostOfOneSectorOrOneCount) {
  ASSERT_TRUE(ListThroughHost("\\E:\\shared").valid);
  nativewin::ResetStats();
  ASSERT_TRUE(ListThroughHost("\\E:\\shared").valid);
  const nativewin::Stats& stats = nativewin::GetStats();
  EXPECT_EQ(stats.reads.size(), GetParam() ? 0u : 1u);
  EXPECT_EQ(stats.mediaChecks, GetParam() ? 1 : 0);

  // A copy checks at its start and again after its last read.
  nativewin::ResetStats();
  ASSERT_EQ(Get("\\E:\\shared\\f"), kFileOk);
  EXPECT_EQ(stats.reads.size(), GetParam() ? 3u : 5u);
  EXPECT_EQ(stats.mediaChecks, GetParam() ? 2 : 0);
}

TEST_P(DiscSwap, ASwapDuringACopyFailsItAndLeavesTheFileShort) {
  TheHostLog().onReport = [this](int report) {
    if (report == 0) nativewin::ChangeMedium("E:\\", b_);
  };
  EXPECT_EQ(Get("\\E:\\shared\\f"), kFileReadError);
  EXPECT_EQ(TheHostLog().requests,
            std::vector<std::string>{"ERROR: the disc in drive 'E:' changed "
                                     "during the copy of 'E:\\shared\\f'"});
  EXPECT_LT(ReadWholeFile(local_).size(), 150000u);
  // The next call mounts the new disc.
  EXPECT_EQ(ListThroughHost("\\E:").names[0], "readme-b");
}

TEST_P(DiscSwap, AHandleInvalidatedByTheChangeIsOpenedAgainOnce) {
  ASSERT_TRUE(ListThroughHost("\\E:").valid);
  nativewin::ChangeMedium("E:\\", b_, /*invalidateHandles=*/true);
  EXPECT_EQ(ListThroughHost("\\E:").names[0], "readme-b");
  EXPECT_EQ(nativewin::GetStats().opens.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Count, DiscSwap, ::testing::Values(true, false),
                         [](const auto& info) {
                           return info.param ? "Counted" : "ByDescriptor";
                         });

// Only a count tells apart two discs whose descriptors are the same: the
// same tree with other bytes, written at the same time.
TEST(DiscSwapSameDescriptor, TheCountCatchesIt) {
  nativewin::Reset();
  ResetPluginState(gPluginState);
  TempDir dir;
  const auto tree = [](int seed) {
    return MakeDirectory("", {MakePatternFile("f", 5000, seed)});
  };
  InsertTree(dir, tree(1));
  const std::string other = WriteTree(dir, tree(2));
  ASSERT_TRUE(ListThroughHost("\\E:").valid);
  nativewin::ChangeMedium("E:\\", other);
  const std::string local = dir.File("copy");
  EXPECT_EQ(FsGetFile("\\E:\\f", local.c_str(), 0, nullptr), kFileOk);
  EXPECT_EQ(ReadWholeFile(local),
            ExpectedContent(MakePatternFile("f", 5000, 2)));
  CloseAndExpectNothingLeft(gPluginState.driveCache);
}

}  // namespace
