// Device access of the native layer: the raw-drive behaviour the disc reader
// depends on, on image files made here.
#include "platform/native/win32_native.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/native/testapi.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kSector = 2048;
constexpr DWORD kDeviceFlags = FILE_FLAG_NO_BUFFERING | FILE_ATTRIBUTE_READONLY;

// Every byte of sector s in a made image.
unsigned char SectorByte(std::uint64_t sector) {
  return static_cast<unsigned char>(sector * 7 + 1);
}

using Block = std::unique_ptr<unsigned char, void (*)(void*)>;
Block MakeBlock(std::size_t bytes) {
  return Block(static_cast<unsigned char*>(AllocBlock(bytes)), FreeBlock);
}

HANDLE OpenDevice(const char* path, DWORD flags = kDeviceFlags,
                  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
  return CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, flags,
                     nullptr);
}

DWORD Read(HANDLE h, void* buffer, DWORD bytes, BOOL* ok = nullptr) {
  DWORD got = 12345;  // must be overwritten, also on failure
  const BOOL result = ReadFile(h, buffer, bytes, &got, nullptr);
  if (ok) *ok = result;
  return got;
}

bool Seek(HANDLE h, std::uint64_t position) {
  LONG high = static_cast<LONG>(position >> 32);
  return SetFilePointer(h, static_cast<LONG>(position), &high, FILE_BEGIN) !=
         INVALID_SET_FILE_POINTER;
}

class NativeDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    handlesBefore_ = nativewin::GetStats().openHandles;
    blocksBefore_ = nativewin::GetStats().liveBlocks;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "platform-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    EXPECT_EQ(nativewin::GetStats().openHandles, handlesBefore_);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, blocksBefore_);
    std::filesystem::remove_all(folder_);
    nativewin::Reset();
  }

  // `sectors` whole sectors, then `tail` bytes of one more; or, when
  // sparseSize is given, that many bytes with only sector `sectors` written.
  std::string MakeImage(const std::string& name, std::uint64_t sectors,
                        std::uint64_t tail = 0, std::uint64_t sparseSize = 0) {
    const std::string path = folder_ + "/" + name;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_GE(fd, 0);
    const auto write = [fd](std::uint64_t sector, std::size_t bytes) {
      const std::vector<unsigned char> data(bytes, SectorByte(sector));
      EXPECT_EQ(pwrite(fd, data.data(), bytes, sector * kSector),
                static_cast<ssize_t>(bytes));
    };
    if (sparseSize) {
      EXPECT_EQ(ftruncate(fd, sparseSize), 0);
      write(sectors, kSector);
    } else {
      for (std::uint64_t s = 0; s < sectors; ++s) write(s, kSector);
      if (tail) write(sectors, tail);
    }
    close(fd);
    return path;
  }

  std::string folder_;
  int handlesBefore_ = 0;
  std::size_t blocksBefore_ = 0;
};

TEST_F(NativeDevice, OpensOnlyDevicePathsOfDrivesWithAMedium) {
  nativewin::AddDrive("E:\\", DRIVE_CDROM, MakeImage("e.iso", 1));
  nativewin::AddDrive("F:\\", DRIVE_CDROM);
  nativewin::AddDrive("G:\\", DRIVE_CDROM, folder_ + "/missing.iso");

  HANDLE h = OpenDevice("\\\\.\\e:");
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(nativewin::GetStats().openHandles, handlesBefore_ + 1);
  for (const char* path : {"\\\\.\\F:", "\\\\.\\G:", "\\\\.\\H:", "E:\\",
                           "\\\\.\\E:\\", "\\\\.\\E", "\\\\?\\E:"}) {
    SetLastError(0);
    EXPECT_EQ(OpenDevice(path), INVALID_HANDLE_VALUE) << path;
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << path;
  }
  // A volume is not opened for a caller that will not share it with writers.
  SetLastError(0);
  EXPECT_EQ(OpenDevice("\\\\.\\E:", kDeviceFlags, FILE_SHARE_READ),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 32u);
  nativewin::FailOpens();
  EXPECT_EQ(OpenDevice("\\\\.\\E:"), INVALID_HANDLE_VALUE);

  const auto& opens = nativewin::GetStats().opens;
  ASSERT_EQ(opens.size(), 10u);
  EXPECT_EQ(opens[0].path, "\\\\.\\e:");
  EXPECT_EQ(opens[0].access, GENERIC_READ);
  EXPECT_EQ(opens[0].share, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_EQ(opens[0].disposition, OPEN_EXISTING);
  EXPECT_EQ(opens[0].flags, kDeviceFlags);
  EXPECT_TRUE(opens[0].succeeded);
  EXPECT_FALSE(opens[8].succeeded);
  EXPECT_FALSE(opens[9].succeeded);

  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(nativewin::GetStats().closes, 2);
}

TEST_F(NativeDevice, PositionsPast4GiBThroughTheHighPart) {
  const std::uint64_t sector = (5ull << 30) / kSector + 3;
  nativewin::AddDrive("E:\\", DRIVE_CDROM,
                      MakeImage("big.iso", sector, 0, 6ull << 30));
  HANDLE h = OpenDevice("\\\\.\\E:");
  Block buffer = MakeBlock(kSector);

  LONG high = 1;
  EXPECT_EQ(SetFilePointer(h, 0x40001800, &high, FILE_BEGIN), 0x40001800u);
  EXPECT_EQ(high, 1);
  // With a high part the low part counts as unsigned.
  high = 0;
  EXPECT_EQ(
      SetFilePointer(h, static_cast<LONG>(0x80000000u), &high, FILE_BEGIN),
      0x80000000u);
  ASSERT_TRUE(Seek(h, sector * kSector));
  ASSERT_EQ(Read(h, buffer.get(), kSector), kSector);
  EXPECT_EQ(buffer.get()[0], SectorByte(sector));
  EXPECT_EQ(nativewin::GetStats().reads.back().offset, sector * kSector);

  // Alone the low part is a signed distance; negative positions fail.
  EXPECT_EQ(SetFilePointer(h, 4096, nullptr, FILE_BEGIN), 4096u);
  EXPECT_EQ(SetFilePointer(h, -2048, nullptr, FILE_BEGIN),
            INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  high = -1;
  EXPECT_EQ(SetFilePointer(h, 0, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN + 1),
            INVALID_SET_FILE_POINTER);
  EXPECT_EQ(SetFilePointer(nullptr, 0, nullptr, FILE_BEGIN),
            INVALID_SET_FILE_POINTER);
  EXPECT_EQ(nativewin::GetStats().seeks, 8);
  CloseHandle(h);
}

TEST_F(NativeDevice, ReadsAdvanceAndComeUpShortAtTheImageEnd) {
  nativewin::AddDrive("E:\\", DRIVE_CDROM, MakeImage("e.iso", 4, 100));
  HANDLE h = OpenDevice("\\\\.\\E:");
  Block buffer = MakeBlock(4 * kSector);

  EXPECT_EQ(Read(h, buffer.get(), kSector), kSector);
  EXPECT_EQ(Read(h, buffer.get(), kSector), kSector);
  EXPECT_EQ(buffer.get()[0], SectorByte(1));
  EXPECT_EQ(Read(h, buffer.get(), 4 * kSector), 2 * kSector + 100);
  EXPECT_EQ(buffer.get()[2 * kSector + 99], SectorByte(4));
  ASSERT_TRUE(Seek(h, 4 * kSector));
  EXPECT_EQ(Read(h, buffer.get(), kSector), 100u);
  BOOL ok = FALSE;
  ASSERT_TRUE(Seek(h, 5 * kSector));
  EXPECT_EQ(Read(h, buffer.get(), kSector, &ok), 0u);
  EXPECT_TRUE(ok);
  ASSERT_TRUE(Seek(h, 90 * kSector));
  EXPECT_EQ(Read(h, buffer.get(), kSector), 0u);

  const auto& reads = nativewin::GetStats().reads;
  ASSERT_EQ(reads.size(), 6u);
  EXPECT_EQ(reads[2].offset, 2 * kSector);
  EXPECT_EQ(reads[2].requested, 4 * kSector);
  EXPECT_EQ(reads[2].got, 2 * kSector + 100);
  CloseHandle(h);
}

// As Windows on a volume: the image's last sector counts whole, and a read
// reaching beyond it brings nothing at all.
TEST_F(NativeDevice, ReadsPastTheEndAreRefusedWhenAsked) {
  nativewin::AddDrive("E:\\", DRIVE_CDROM, MakeImage("e.iso", 4, 100));
  nativewin::RefuseReadsPastEnd();
  HANDLE h = OpenDevice("\\\\.\\E:");
  Block buffer = MakeBlock(4 * kSector);

  ASSERT_TRUE(Seek(h, 2 * kSector));
  EXPECT_EQ(Read(h, buffer.get(), 3 * kSector), 2 * kSector + 100);
  ASSERT_TRUE(Seek(h, 2 * kSector));
  BOOL ok = TRUE;
  SetLastError(0);
  EXPECT_EQ(Read(h, buffer.get(), 4 * kSector, &ok), 0u);
  EXPECT_FALSE(ok);
  EXPECT_EQ(GetLastError(), 27u);
  // Nothing was read, so the position stays.
  EXPECT_EQ(Read(h, buffer.get(), kSector), kSector);
  CloseHandle(h);
}

TEST_F(NativeDevice, UnbufferedReadsRefuseMisalignment) {
  const std::string image = MakeImage("e.iso", 8);
  nativewin::AddDrive("E:\\", DRIVE_CDROM, image);
  HANDLE h = OpenDevice("\\\\.\\E:");
  Block buffer = MakeBlock(4 * kSector);

  // Sector-aligned is not enough for the buffer.
  BOOL ok = TRUE;
  EXPECT_EQ(Read(h, buffer.get() + kSector, kSector, &ok), 0u);
  EXPECT_FALSE(ok);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Read(h, buffer.get(), 1000), 0u);
  ASSERT_TRUE(Seek(h, 1024));
  EXPECT_EQ(Read(h, buffer.get(), kSector), 0u);
  EXPECT_EQ(nativewin::GetStats().misalignedReads, 3);
  // A refused read leaves the position alone.
  ASSERT_TRUE(Seek(h, 2 * kSector));
  EXPECT_EQ(Read(h, buffer.get() + kSector, kSector), 0u);
  EXPECT_EQ(Read(h, buffer.get(), kSector), kSector);
  EXPECT_EQ(buffer.get()[0], SectorByte(2));
  CloseHandle(h);

  HANDLE buffered = OpenDevice("\\\\.\\E:", FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(Seek(buffered, 1024));
  EXPECT_EQ(Read(buffered, buffer.get() + 1, 1000), 1000u);
  CloseHandle(buffered);
}

TEST_F(NativeDevice, InjectedFaultsHitTheirSectorsOnly) {
  nativewin::AddDrive("E:\\", DRIVE_CDROM, MakeImage("e.iso", 16));
  HANDLE h = OpenDevice("\\\\.\\E:");
  Block buffer = MakeBlock(4 * kSector);
  nativewin::ZeroReadAtSector(5);
  nativewin::ShortReadAtSector(9, 2 * kSector);
  nativewin::FailSeekTo(12 * kSector);

  BOOL ok = TRUE;
  ASSERT_TRUE(Seek(h, 2 * kSector));
  EXPECT_EQ(Read(h, buffer.get(), 4 * kSector, &ok), 0u);
  EXPECT_FALSE(ok);
  ASSERT_TRUE(Seek(h, kSector));
  EXPECT_EQ(Read(h, buffer.get(), 4 * kSector), 4 * kSector);
  ASSERT_TRUE(Seek(h, 6 * kSector));
  EXPECT_EQ(Read(h, buffer.get(), 4 * kSector), 4 * kSector);  // covers 9
  ASSERT_TRUE(Seek(h, 9 * kSector));
  EXPECT_EQ(Read(h, buffer.get(), 4 * kSector, &ok), 2 * kSector);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(h, buffer.get(), kSector), kSector);
  EXPECT_EQ(buffer.get()[0], SectorByte(11));
  EXPECT_FALSE(Seek(h, 12 * kSector));
  EXPECT_TRUE(Seek(h, 13 * kSector));

  HANDLE buffered = OpenDevice("\\\\.\\E:", FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(Seek(buffered, 5 * kSector + 100));
  EXPECT_EQ(Read(buffered, buffer.get(), 10), 0u);
  CloseHandle(buffered);

  nativewin::ClearFaults();
  EXPECT_TRUE(Seek(h, 12 * kSector));
  ASSERT_TRUE(Seek(h, 5 * kSector));
  EXPECT_EQ(Read(h, buffer.get(), kSector), kSector);
  CloseHandle(h);
}

TEST_F(NativeDevice, OpenHandlesKeepTheirImageWhenTheMediumChanges) {
  nativewin::AddDrive("E:\\", DRIVE_CDROM, MakeImage("a.iso", 1));
  HANDLE first = OpenDevice("\\\\.\\E:");
  nativewin::SetImage("e:\\", MakeImage("b.iso", 2));
  HANDLE second = OpenDevice("\\\\.\\E:");
  Block buffer = MakeBlock(2 * kSector);

  EXPECT_EQ(Read(first, buffer.get(), 2 * kSector), kSector);
  EXPECT_EQ(Read(second, buffer.get(), 2 * kSector), 2 * kSector);
  nativewin::SetImage("E:\\", "");
  EXPECT_EQ(OpenDevice("\\\\.\\E:"), INVALID_HANDLE_VALUE);
  CloseHandle(first);
  CloseHandle(second);
}

TEST_F(NativeDevice, ClosedOrMadeUpHandlesAreRefused) {
  nativewin::AddDrive("E:\\", DRIVE_CDROM, MakeImage("e.iso", 1));
  HANDLE h = OpenDevice("\\\\.\\E:");
  CloseHandle(h);
  Block buffer = MakeBlock(kSector);
  int notAHandle = 0;
  for (HANDLE bad : {h, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE,
                     static_cast<HANDLE>(&notAHandle)}) {
    BOOL ok = TRUE;
    EXPECT_EQ(Read(bad, buffer.get(), kSector, &ok), 0u);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(Seek(bad, 0));
    EXPECT_FALSE(CloseHandle(bad));
  }
}

}  // namespace
