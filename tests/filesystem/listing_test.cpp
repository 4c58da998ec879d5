#include "filesystem/listing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "filesystem/exports.h"
#include "platform/native/testapi.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;

bool AllZeroBut(const WIN32_FIND_DATAA& record) {
  WIN32_FIND_DATAA expected;
  std::memset(&expected, 0, sizeof expected);
  expected.dwFileAttributes = record.dwFileAttributes;
  expected.nFileSizeLow = record.nFileSizeLow;
  std::memcpy(expected.cFileName, record.cFileName, sizeof expected.cFileName);
  return std::memcmp(&expected, &record, sizeof record) == 0;
}

std::vector<std::string> MessageBoxTexts() {
  std::vector<std::string> texts;
  for (const auto& box : nativewin::MessageBoxes()) {
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_FALSE(box.hasCaption);
    EXPECT_EQ(box.type, MB_OK);
    texts.push_back(box.text);
  }
  return texts;
}

class Listing : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(gPluginState);
    nativewin::AddDrive("C:\\", DRIVE_FIXED);
    report_ = InsertTree(
        dir_,
        MakeDirectory(
            "", {MakeDirectory("media", {MakePatternFile("clip.bin", 150000, 1),
                                         MakeDirectory("empty")}),
                 MakePatternFile("readme.txt", 12, 2)}));
    nativewin::AddDrive("D:\\", DRIVE_REMOTE);
    InsertTree(dir_, MakeDirectory("", {}), "F:\\");
  }
  void TearDown() override { CloseDrive(gPluginState.driveCache); }

  TempDir dir_;
  imagewriter::LayoutReport report_;
};

TEST_F(Listing, RootListsOnlyTheOpticalDrivesAsFolders) {
  for (const char* root : {"\\", "/"}) {
    const HostListing listed = ListThroughHost(root);
    EXPECT_EQ(listed.names, (std::vector<std::string>{"E:", "F:"}));
    for (const auto& record : listed.records) {
      EXPECT_EQ(record.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
      EXPECT_EQ(record.nFileSizeLow, 0u);
      EXPECT_TRUE(AllZeroBut(record));
    }
  }
}

TEST_F(Listing, RootListsDriveListsLongerThanTheLetters) {
  std::vector<std::string> expected{"E:", "F:"};
  for (int i = 10; i < 40; ++i) {
    const std::string name = "loop" + std::to_string(i) + ":";
    nativewin::AddDrive(name + "\\", DRIVE_CDROM);
    expected.push_back(name);
  }
  EXPECT_EQ(ListThroughHost("\\").names, expected);
}

TEST_F(Listing, RootListingClosesTheOpenDrive) {
  ASSERT_TRUE(ListThroughHost("\\E:").valid);
  EXPECT_NE(gPluginState.driveCache.device.handle, nullptr);
  ListThroughHost("\\");
  EXPECT_EQ(gPluginState.driveCache.device.handle, nullptr);
  nativewin::ResetStats();
  ASSERT_TRUE(ListThroughHost("\\E:").valid);
  EXPECT_EQ(nativewin::GetStats().opens.size(), 1u);
}

TEST_F(Listing, NoOpticalDrivesOrAFailedDriveListIsAnEmptyListing) {
  nativewin::Reset();
  nativewin::AddDrive("C:\\", DRIVE_FIXED);
  EXPECT_FALSE(ListThroughHost("\\").valid);
  EXPECT_TRUE(TheHostLog().requests.empty());
  nativewin::FailLogicalDriveStrings();
  EXPECT_FALSE(ListThroughHost("\\").valid);
  EXPECT_EQ(TheHostLog().requests,
            std::vector<std::string>{"ERROR: failed to get drives"});
}

TEST_F(Listing, DiscFoldersListInTableOrderWithSizesAndFolderFlags) {
  std::vector<std::string> rootOrder;
  for (const auto& entry : report_.tables[0].entries)
    rootOrder.push_back(entry.name);
  for (const char* path : {"\\E:", "\\E:\\", "\\e:", "\\\\E:"}) {
    EXPECT_EQ(ListThroughHost(path).names, rootOrder) << path;
  }
  const HostListing media = ListThroughHost("\\E:\\media\\");
  EXPECT_EQ(media.names, ListThroughHost("\\E:\\media").names);
  ASSERT_EQ(media.records.size(), 2u);
  for (const auto& record : media.records) {
    EXPECT_TRUE(AllZeroBut(record));
    if (std::string(record.cFileName) == "clip.bin") {
      EXPECT_EQ(record.dwFileAttributes, 0u);
      EXPECT_EQ(record.nFileSizeLow, 150000u);
    } else {
      EXPECT_EQ(record.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    }
  }
  EXPECT_TRUE(MessageBoxTexts().empty());
}

TEST_F(Listing, EmptyFoldersAndFailuresReturnNoHandle) {
  EXPECT_FALSE(ListThroughHost("\\E:\\media\\empty").valid);
  EXPECT_FALSE(ListThroughHost("\\F:").valid);
  EXPECT_TRUE(MessageBoxTexts().empty());

  EXPECT_FALSE(ListThroughHost("\\abc\\def").valid);
  EXPECT_FALSE(ListThroughHost("\\Q:").valid);
  EXPECT_FALSE(ListThroughHost("\\E:\\readme.txt").valid);
  const std::vector<std::string> expected = {
      "ERROR: drive name not found in path", "ERROR: cant open 'Q:' device",
      "ERROR: vepo_getupdatedirsubtree error, path: 'E:\\readme.txt', code = "
      "1, "
      "StartSector=" +
          std::to_string(report_.tables[0].startSector)};
  EXPECT_EQ(MessageBoxTexts(), expected);
}

TEST_F(Listing, WalkReadFailureNamesTheFolderThatFailed) {
  const auto* media = imagewriter::FindPlacedEntry(report_, "media");
  ASSERT_NE(media, nullptr);
  nativewin::ZeroReadAtSector(media->startSector);
  EXPECT_FALSE(ListThroughHost("\\E:\\media").valid);
  EXPECT_EQ(
      MessageBoxTexts(),
      std::vector<std::string>{"ERROR: vepo_getupdatedirsubtree error, path: "
                               "'E:\\media', code = 3, StartSector=" +
                               std::to_string(media->startSector)});
  // The drive stays open and the next listing reads the folder again.
  nativewin::ClearFaults();
  EXPECT_TRUE(ListThroughHost("\\E:\\media").valid);
}

TEST_F(Listing, NamesAreCutToTheRecordsField) {
  std::vector<DirNode> nodes(2);
  nodes[0].name = std::string(300, 'n');
  nodes[1].name = std::string("ab\0cd", 5).c_str();
  nodes[1].attributes = 0x37;
  std::vector<WIN32_FIND_DATAA> records;
  NodesToFindData(nodes, records);
  EXPECT_EQ(std::string(records[0].cFileName), std::string(259, 'n'));
  EXPECT_EQ(records[1].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
