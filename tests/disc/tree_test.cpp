#include "disc/tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disc/format.h"
#include "platform/native/testapi.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;

std::vector<std::string> Names(const DirNode& node) {
  std::vector<std::string> names;
  for (const DirNode& child : node.children) names.push_back(child.name);
  return names;
}

std::size_t TableReads() { return nativewin::GetStats().reads.size(); }

// media/sub/deep, media/readme.txt, other/, readme.txt
class DirectoryTree : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    report_ = InsertTree(
        dir_,
        MakeDirectory(
            "", {MakeDirectory("media",
                               {MakeDirectory("sub", {MakeDirectory("deep")}),
                                MakePatternFile("readme.txt", 10, 1)}),
                 MakeDirectory("other"), MakePatternFile("readme.txt", 5, 2)}));
    device_ = OpenE();
    ASSERT_EQ(vepo_mount(device_, root_), 0);
    nativewin::ResetStats();
  }
  void TearDown() override { vepo_closedevice(device_); }

  int Walk(const char* path, DirNode* out = nullptr,
           std::string* outPath = nullptr, std::int32_t flags = 0) {
    return vepo_getupdatedirsubtree(device_, root_, path, flags, out, outPath);
  }

  const imagewriter::PlacedTable& Table(const std::string& path) const {
    for (const auto& table : report_.tables) {
      if (table.path == path) return table;
    }
    ADD_FAILURE() << "no table " << path;
    return report_.tables[0];
  }

  TempDir dir_;
  imagewriter::LayoutReport report_;
  Device device_;
  DirNode root_;
};

TEST_F(DirectoryTree, MountBuildsALoadedRoot) {
  EXPECT_TRUE(root_.childrenLoaded);
  EXPECT_EQ(root_.attributes, kDirectoryAttribute);
  EXPECT_EQ(root_.startSector, report_.tables[0].startSector);
  EXPECT_EQ(root_.size, report_.tables[0].size);
  std::vector<std::string> order;
  for (const auto& entry : report_.tables[0].entries)
    order.push_back(entry.name);
  EXPECT_EQ(Names(root_), order);  // on-disc order, not sorted here
}

TEST_F(DirectoryTree, WalkLoadsEachDirectoryOnceAndHandsBackACopy) {
  DirNode sub;
  std::string rest = "old";
  EXPECT_EQ(Walk("media\\sub", &sub, &rest), kWalkFound);
  EXPECT_EQ(sub.name, "sub");
  EXPECT_TRUE(sub.childrenLoaded);
  EXPECT_EQ(Names(sub), std::vector<std::string>{"deep"});
  EXPECT_EQ(rest, "");
  EXPECT_EQ(TableReads(), 2u);  // media and sub

  // The copy is independent of the cached tree.
  sub.children.clear();
  DirNode again;
  EXPECT_EQ(Walk("/media/sub", &again), kWalkFound);
  EXPECT_EQ(Names(again), std::vector<std::string>{"deep"});
  EXPECT_EQ(Walk("\\media/sub"), kWalkFound);
  EXPECT_EQ(TableReads(), 2u);

  // Walking to the root copies everything loaded below it.
  DirNode whole;
  EXPECT_EQ(Walk("", &whole), kWalkFound);
  const auto media =
      std::find_if(whole.children.begin(), whole.children.end(),
                   [](const DirNode& n) { return n.name == "media"; });
  ASSERT_NE(media, whole.children.end());
  EXPECT_TRUE(media->childrenLoaded);
}

TEST_F(DirectoryTree, MissingComponentsStopAtTheDeepestDirectory) {
  struct Case {
    const char* path;
    const char* stopsAt;
    const char* rest;
  };
  const std::vector<Case> cases = {
      {"media\\", "media", "\\"},
      {"media\\\\sub", "media", "\\\\sub"},
      {"MEDIA", "", "MEDIA"},
      {"readme.txt\\x", "", "readme.txt\\x"},
      {"media\\readme.txt", "media", "\\readme.txt"},
      {"\\", "", "\\"},
      {"media\\nothing\\sub", "media", "\\nothing\\sub"},
  };
  for (const Case& c : cases) {
    DirNode out;
    std::string rest;
    EXPECT_EQ(Walk(c.path, &out, &rest), kWalkNoSuchDirectory) << c.path;
    EXPECT_EQ(out.name, c.stopsAt) << c.path;
    EXPECT_EQ(rest, c.rest) << c.path;
  }
}

TEST_F(DirectoryTree, NoReadsFlagStopsWhereATableWouldBeRead) {
  DirNode out;
  EXPECT_EQ(Walk("media\\sub", &out, nullptr, kWalkNoReads),
            kWalkReadForbidden);
  EXPECT_EQ(out.name, "media");
  EXPECT_FALSE(out.childrenLoaded);
  EXPECT_EQ(TableReads(), 0u);

  ASSERT_EQ(Walk("media\\sub"), kWalkFound);
  nativewin::ResetStats();
  EXPECT_EQ(Walk("media\\sub", &out, nullptr, kWalkNoReads), kWalkFound);
  EXPECT_EQ(Walk("media", &out, nullptr, kWalkNoReads | kWalkReload),
            kWalkReadForbidden);
  EXPECT_EQ(out.name, "");
  EXPECT_EQ(TableReads(), 0u);
}

TEST_F(DirectoryTree, ReloadRereadsThePathAndForgetsWhatHungBelow) {
  ASSERT_EQ(Walk("media\\sub\\deep"), kWalkFound);
  nativewin::ResetStats();
  EXPECT_EQ(Walk("media", nullptr, nullptr, kWalkReload), kWalkFound);
  EXPECT_EQ(TableReads(), 2u);  // root and media
  DirNode media;
  ASSERT_EQ(Walk("media", &media, nullptr, kWalkNoReads), kWalkFound);
  for (const DirNode& child : media.children) {
    EXPECT_FALSE(child.childrenLoaded) << child.name;
  }
}

TEST_F(DirectoryTree, ReadFailureHalfwayKeepsWhatWasLoaded) {
  nativewin::ZeroReadAtSector(Table("media/sub").startSector);
  DirNode out;
  EXPECT_EQ(Walk("media\\sub\\deep", &out), kWalkReadFailed);
  EXPECT_EQ(out.name, "sub");
  EXPECT_EQ(out.startSector, Table("media/sub").startSector);
  EXPECT_FALSE(out.childrenLoaded);

  nativewin::ClearFaults();
  nativewin::ResetStats();
  EXPECT_EQ(Walk("media\\sub\\deep"), kWalkFound);
  EXPECT_EQ(TableReads(), 2u);  // sub again, and deep; media stayed loaded
}

TEST_F(DirectoryTree, FirstOfDuplicateNamesIsFollowed) {
  nativewin::Reset();
  TempDir dir;
  imagewriter::RawImage raw =
      RawDiscWithRoot({imagewriter::MakeRawEntry("twin", 0x10, 40, 2048),
                       imagewriter::MakeRawEntry("twin", 0x10, 41, 2048)});
  imagewriter::PutBytes(
      &raw, SectorToOffset(40),
      imagewriter::LayoutTable({imagewriter::MakeRawEntry("first", 0, 1, 1)})
          .bytes);
  imagewriter::PutBytes(
      &raw, SectorToOffset(41),
      imagewriter::LayoutTable({imagewriter::MakeRawEntry("second", 0, 1, 1)})
          .bytes);
  vepo_closedevice(device_);
  InsertRaw(dir, raw);
  device_ = OpenE();
  root_ = DirNode();
  ASSERT_EQ(vepo_mount(device_, root_), 0);
  DirNode twin;
  EXPECT_EQ(Walk("twin", &twin), kWalkFound);
  EXPECT_EQ(Names(twin), std::vector<std::string>{"first"});
}

TEST(Mount, FailsOnTheDescriptorThenOnTheRootTable) {
  nativewin::Reset();
  TempDir dir;
  InsertRaw(dir, RawDiscWithRoot({}));
  Device device = OpenE();
  DirNode root;
  nativewin::ZeroReadAtSector(32);
  EXPECT_EQ(vepo_mount(device, root), 1);
  EXPECT_FALSE(root.childrenLoaded);
  nativewin::ClearFaults();
  nativewin::ZeroReadAtSector(33);
  EXPECT_EQ(vepo_mount(device, root), 2);
  nativewin::ClearFaults();

  // An empty root: the empty path is found, any other path is not.
  DirNode empty;
  EXPECT_EQ(vepo_mount(device, empty), 0);
  EXPECT_TRUE(empty.children.empty());
  EXPECT_EQ(vepo_getupdatedirsubtree(device, empty, "", 0, nullptr, nullptr),
            0);
  EXPECT_EQ(vepo_getupdatedirsubtree(device, empty, "x", 0, nullptr, nullptr),
            1);
  vepo_closedevice(device);
}

}  // namespace
