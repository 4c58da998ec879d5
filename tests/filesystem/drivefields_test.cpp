// The drives' content fields in the file-system plug-in: asked before
// FsInit, through a device of their own, kept while the drive holds the
// same disc, and read again after a swap.
#include <gtest/gtest.h>

#include "filesystem/exports.h"
#include "platform/native/testapi.h"
#include "plugin/titlefields.h"
#include "plugin/wdxapi.h"
#include "tests/support/executables.h"

namespace {

FieldAnswer Ask(const std::string& path, FieldIndex field, bool wide = true) {
  return AskField(FsContentGetValue, wide ? FsContentGetValueW : nullptr, path,
                  static_cast<int>(field));
}

class DriveFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    FsContentPluginUnloading();
  }
  void TearDown() override {
    FsContentPluginUnloading();
    EXPECT_EQ(nativewin::GetStats().openHandles, 0);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  }
  TempDir dir_;
};

TEST_F(DriveFieldsTest, EachDriveShowsItsDiscsGame) {
  Certificate c;
  c.title = u"Drive Game \u00C9t\u00E9";
  nativewin::AddDrive("E:\\", DRIVE_CDROM,
                      WriteGameImage(dir_, "default.xbe", Xbe(c),
                                     imagewriter::DiscLayout::kXgd3));
  nativewin::AddDrive("F:\\", DRIVE_CDROM,
                      WriteTree(dir_, imagewriter::MakeDirectory("")));
  nativewin::AddDrive("G:\\", DRIVE_CDROM);  // no medium
  nativewin::AddDrive("H:\\", DRIVE_CDROM,
                      WriteGameImage(dir_, "default.xex", Xex(0x200)));

  for (const char* path : {"\\E:", "/E:", "\\E:\\"}) {
    EXPECT_EQ(Ask(path, FieldIndex::kTitle).text, "Drive Game \u00C9t\u00E9");
  }
  EXPECT_EQ(Ask("\\E:", FieldIndex::kTitle, false).text,
            "Drive Game \u00C9t\u00E9");
  EXPECT_EQ(Ask("\\E:", FieldIndex::kTitleId).text, "4D530004");
  EXPECT_EQ(Ask("\\H:", FieldIndex::kTitleId).text, "4D5307E6");
  EXPECT_EQ(Ask("\\H:", FieldIndex::kPlatform).text, "Xbox 360");
  EXPECT_EQ(Ask("\\F:", FieldIndex::kTitle).type, ft_fieldempty);
  EXPECT_EQ(Ask("\\G:", FieldIndex::kTitle).type, ft_fileerror);
  // Entries on a disc are no drives.
  EXPECT_EQ(Ask("\\E:\\a.bin", FieldIndex::kTitle).type, ft_fieldempty);
  EXPECT_EQ(Ask("\\E:\\media", FieldIndex::kTitle).type, ft_fieldempty);
  EXPECT_EQ(Ask("\\", FieldIndex::kTitle).type, ft_fieldempty);
  EXPECT_EQ(Ask("\\E:", static_cast<FieldIndex>(6)).type, ft_nosuchfield);

  char name[256];
  char units[256];
  EXPECT_EQ(FsContentGetSupportedField(0, name, units, 256), ft_stringw);
  EXPECT_STREQ(name, "Title");
  EXPECT_EQ(FsContentGetSupportedField(6, name, units, 256), ft_nomorefields);
}

TEST_F(DriveFieldsTest, OneSectorPerFieldWhileTheDiscStays) {
  Certificate c;
  nativewin::AddDrive("E:\\", DRIVE_CDROM,
                      WriteGameImage(dir_, "default.xbe", Xbe(c)));
  EXPECT_EQ(Ask("\\E:", FieldIndex::kTitleId).text, "4D530004");
  nativewin::ResetStats();
  EXPECT_EQ(Ask("\\E:", FieldIndex::kVersion).text, "00000102");
  EXPECT_EQ(nativewin::GetStats().reads.size(), 1u);
  EXPECT_EQ(nativewin::GetStats().misalignedReads, 0);

  c.titleId = 0x41430002;
  nativewin::SetImage("E:\\", WriteGameImage(dir_, "default.xbe", Xbe(c)));
  EXPECT_EQ(Ask("\\E:", FieldIndex::kTitleId).text, "41430002");
}

}  // namespace
