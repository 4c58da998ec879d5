// Drive list, drive types, message boxes and the resets of the native layer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/native/testapi.h"
#include "platform/win32.h"

namespace {

class NativeDrives : public ::testing::Test {
 protected:
  void SetUp() override { nativewin::Reset(); }
  void TearDown() override { nativewin::Reset(); }
};

TEST_F(NativeDrives, ListsRootsInOrderWithADoubleTerminator) {
  nativewin::AddDrive("C:\\", DRIVE_FIXED);
  nativewin::AddDrive("F:\\", DRIVE_CDROM);
  nativewin::AddDrive("E:\\", DRIVE_CDROM);
  const char expected[] = "C:\\\0F:\\\0E:\\\0";  // plus the literal's NUL

  char buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetLogicalDriveStringsA(12, buffer), 13u);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(GetLogicalDriveStringsA(13, buffer), 12u);
  EXPECT_EQ(std::memcmp(buffer, expected, 13), 0);
  EXPECT_EQ(buffer[13], 'x');

  nativewin::FailLogicalDriveStrings();
  EXPECT_EQ(GetLogicalDriveStringsA(sizeof buffer, buffer), 0u);
}

TEST_F(NativeDrives, TypesIgnoreTheLetterCaseOfTheRoot) {
  nativewin::AddDrive("C:\\", DRIVE_FIXED);
  nativewin::AddDrive("e:\\", DRIVE_CDROM);
  EXPECT_EQ(GetDriveTypeA("E:\\"), DRIVE_CDROM);
  EXPECT_EQ(GetDriveTypeA("c:\\"), DRIVE_FIXED);
  EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveTypeA("E:"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveTypeA(nullptr), DRIVE_NO_ROOT_DIR);
}

TEST_F(NativeDrives, MessageBoxesAreRecordedAndAnswered) {
  int owner = 0;
  EXPECT_EQ(MessageBoxA(&owner, "ERROR: x", nullptr, MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "text", "", MB_OK), IDOK);
  const auto& boxes = nativewin::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, &owner);
  EXPECT_EQ(boxes[0].text, "ERROR: x");
  EXPECT_FALSE(boxes[0].hasCaption);
  EXPECT_TRUE(boxes[1].hasCaption);
  EXPECT_EQ(boxes[1].caption, "");
}

TEST_F(NativeDrives, ResetForgetsSetupButResetStatsKeepsState) {
  nativewin::AddDrive("E:\\", DRIVE_CDROM);
  nativewin::FailLogicalDriveStrings();
  MessageBoxA(nullptr, "text", nullptr, MB_OK);
  void* block = AllocBlock(16);
  const std::size_t blocks = nativewin::GetStats().liveBlocks;
  SetLastError(ERROR_NO_MORE_FILES);
  CloseHandle(nullptr);

  nativewin::ResetStats();
  EXPECT_EQ(nativewin::GetStats().closes, 0);
  EXPECT_EQ(nativewin::GetStats().liveBlocks, blocks);
  nativewin::Reset();
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_TRUE(nativewin::MessageBoxes().empty());
  EXPECT_EQ(GetDriveTypeA("E:\\"), DRIVE_NO_ROOT_DIR);
  char buffer[4];
  EXPECT_EQ(GetLogicalDriveStringsA(sizeof buffer, buffer), 0u);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(nativewin::GetStats().liveBlocks, blocks);
  FreeBlock(block);
}

}  // namespace
