#include "path/filelookup.h"

#include <gtest/gtest.h>

#include "platform/native/testapi.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;

class FileLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(state_);
    InsertTree(
        dir_,
        MakeDirectory(
            "", {MakeDirectory("dir", {MakeDirectory("sub"),
                                       MakePatternFile("file.ext", 321, 1)}),
                 MakePatternFile("readme.txt", 12, 2)}));
    InsertTree(dir_, MakeDirectory("", {MakePatternFile("file.ext", 99, 3)}),
               "F:\\");
    nativewin::ResetStats();
  }
  int Find(const char* path) {
    node_ = DirNode();
    node_.name = "untouched";
    return FindFileNode(path, state_.driveCache, node_);
  }

  TempDir dir_;
  PluginState state_;
  DirNode node_;
};

TEST_F(FileLookup, FindsFilesAndFoldersWhateverTheSeparators) {
  for (const char* path :
       {"E:\\dir\\file.ext", "E:/dir/file.ext", "\\E:\\dir\\file.ext"}) {
    EXPECT_EQ(Find(path), kFileFound) << path;
    EXPECT_EQ(node_.name, "file.ext");
    EXPECT_EQ(node_.size, 321u);
  }
  EXPECT_EQ(Find("E:\\readme.txt"), kFileFound);
  EXPECT_EQ(node_.size, 12u);
  EXPECT_EQ(Find("E:\\dir\\sub"), kFileFound);
  EXPECT_TRUE(IsDirectory(node_));
}

TEST_F(FileLookup, MissingNamesAndMissingFoldersAreToldApart) {
  EXPECT_EQ(Find("E:\\dir\\FILE.EXT"), kFileNoSuchEntry);
  EXPECT_EQ(node_.name, "untouched");
  EXPECT_EQ(Find("E:"), kFileNoSuchEntry);
  EXPECT_EQ(Find("E:\\dir\\"), kFileNoSuchEntry);
  EXPECT_EQ(Find("E:\\readme.txt\\x"), kFileNoDirectory);
  EXPECT_EQ(Find("E:\\nowhere\\file.ext"), kFileNoDirectory);
  EXPECT_EQ(Find("Q:\\file.ext"), kFileNoDirectory);
  EXPECT_EQ(node_.name, "untouched");

  const std::size_t opens = nativewin::GetStats().opens.size();
  EXPECT_EQ(Find("dir\\file.ext"), kFileNoDirectory);
  EXPECT_EQ(nativewin::GetStats().opens.size(), opens);  // no drive was tried
}

TEST_F(FileLookup, ParentDirectoryResults) {
  std::vector<DirNode> children(3);
  EXPECT_EQ(FindParentDirectory("E:\\dir", state_.driveCache, children),
            kParentFound);
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(FindParentDirectory("dir", state_.driveCache, children),
            kParentNoDriveName);
  EXPECT_EQ(FindParentDirectory("Q:", state_.driveCache, children),
            kParentDriveUnavailable);
  EXPECT_EQ(FindParentDirectory("E:\\dir\\none", state_.driveCache, children),
            kParentWalkFailed);
  EXPECT_EQ(children.size(), 2u);
}

TEST_F(FileLookup, LookupsShareTheCachedTreeAndSwitchDrives) {
  EXPECT_EQ(Find("E:\\dir\\file.ext"), kFileFound);
  const std::size_t reads = nativewin::GetStats().reads.size();
  EXPECT_EQ(Find("e:\\dir\\file.ext"), kFileFound);
  EXPECT_EQ(nativewin::GetStats().reads.size(), reads);

  EXPECT_EQ(Find("F:\\file.ext"), kFileFound);
  EXPECT_EQ(node_.size, 99u);
  EXPECT_STREQ(state_.driveCache.driveName, "F:");
  EXPECT_EQ(nativewin::GetStats().closes, 1);
}

}  // namespace
