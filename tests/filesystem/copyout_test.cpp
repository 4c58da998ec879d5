#include "filesystem/copyout.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "filesystem/exports.h"
#include "platform/native/testapi.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;
using imagewriter::MakeZeroFile;

class CopyOut : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(gPluginState);
    files_ = {MakePatternFile("file", 150000, 1),
              MakePatternFile("exact", 65536, 2),
              MakePatternFile("empty", 0, 3), MakePatternFile("small", 1000, 4),
              // Six chunks: from a slow drive to a slow target, the last three
              // are read ahead.
              MakePatternFile("long", 5 * 65536 + 1000, 5)};
    report_ =
        InsertTree(dir_, MakeDirectory("", {MakeDirectory("dir", files_)}));
  }
  void TearDown() override {
    CloseDrive(gPluginState.driveCache);
    EXPECT_EQ(nativewin::GetStats().openHandles, 0);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  }

  int Get(const std::string& remote, const std::string& local, int flags = 0) {
    return FsGetFile(remote.c_str(), local.c_str(), flags, nullptr);
  }
  std::string Expected(std::size_t file) const {
    return ExpectedContent(files_[file]);
  }

  TempDir dir_;
  std::vector<imagewriter::TreeNode> files_;
  imagewriter::LayoutReport report_;
  std::string local_ = dir_.File("copy");
};

TEST_F(CopyOut, CopiesWithOneReportPerChunk) {
  EXPECT_EQ(Get("\\E:\\dir\\file", local_), kFileOk);
  EXPECT_EQ(ReadWholeFile(local_), Expected(0));
  const HostLog& log = TheHostLog();
  EXPECT_EQ(log.percents, (std::vector<int>{43, 87, 100}));
  EXPECT_EQ(log.sources, std::vector<std::string>(3, "E:\\dir\\file"));
  EXPECT_EQ(log.targets, std::vector<std::string>(3, local_));
  EXPECT_TRUE(log.requests.empty());
  // 64 KiB reads for the data, after the lookup's table reads.
  const auto& reads = nativewin::GetStats().reads;
  ASSERT_GE(reads.size(), 3u);
  EXPECT_EQ(reads[reads.size() - 3].requested, 65536u);
  EXPECT_EQ(reads.back().requested, 20480u);  // 18928 rounded up to sectors
}

TEST_F(CopyOut, SmallAndEmptyFilesGetOneReportOf100) {
  EXPECT_EQ(Get("\\E:\\dir\\exact", local_), kFileOk);
  EXPECT_EQ(ReadWholeFile(local_), Expected(1));
  const std::string empty = dir_.File("empty");
  EXPECT_EQ(Get("/E:\\dir\\empty", empty), kFileOk);
  EXPECT_EQ(ReadWholeFile(empty), "");
  EXPECT_EQ(TheHostLog().percents, (std::vector<int>{100, 100}));
}

TEST_F(CopyOut, OnlyAnAnswerOfOneStops) {
  TheHostLog().answer = 2;
  EXPECT_EQ(Get("\\E:\\dir\\file", local_), kFileOk);
  TheHostLog().answer = -1;
  EXPECT_EQ(Get("\\E:\\dir\\file", local_, kCopyFlagOverwrite), kFileOk);
  EXPECT_EQ(ReadWholeFile(local_), Expected(0));

  // Stopped at the first chunk, while the reads run ahead and at the last:
  // the chunks up to the stop are written, nothing after it.
  CopyFromSlowDriveToSlowTarget();
  for (int stop : {0, 3, 5}) {
    TheHostLog() = HostLog();
    TheHostLog().stopAtReport = stop;
    EXPECT_EQ(Get("\\E:\\dir\\long", local_, kCopyFlagOverwrite),
              kFileUserAbort);
    EXPECT_EQ(ReadWholeFile(local_), Expected(4).substr(0, 65536 * (stop + 1)));
    EXPECT_EQ(TheHostLog().percents.size(), static_cast<std::size_t>(stop + 1));
    EXPECT_TRUE(TheHostLog().requests.empty());
  }
}

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

TEST_F(CopyOut, AThousandCopiesLeaveThreadsHandlesAndMemoryFlat) {
  // Every other copy is stopped in the middle, with reads still ahead.
  CopyFromSlowDriveToSlowTarget();
  const auto copy = [&](int i) {
    // The layer's record of every read would grow on its own.
    nativewin::ResetStats();
    TheHostLog() = HostLog();
    TheHostLog().stopAtReport = i % 2 ? 3 : -1;
    return Get("\\E:\\dir\\long", local_, kCopyFlagOverwrite);
  };
  for (int i = 0; i < 10; ++i) copy(i);
  const std::size_t threads = ThreadCount();
  const std::size_t heap = HeapInUse();
  const int handles = nativewin::GetStats().openHandles;
  for (int i = 10; i < 1000; ++i) {
    ASSERT_EQ(copy(i), i % 2 ? kFileUserAbort : kFileOk) << i;
  }
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_EQ(nativewin::GetStats().openHandles, handles);
  EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  // The allocator may keep a little more as it settles.
  EXPECT_LE(HeapInUse(), heap + 64 * 1024);
}

TEST_F(CopyOut, ExistingFilesNeedTheOverwriteFlag) {
  WriteWholeFile(local_, std::string(300000, 'x'));
  EXPECT_EQ(Get("\\E:\\dir\\small", local_), kFileExists);
  EXPECT_EQ(ReadWholeFile(local_), std::string(300000, 'x'));
  EXPECT_TRUE(TheHostLog().requests.empty());
  EXPECT_TRUE(TheHostLog().percents.empty());
  EXPECT_EQ(Get("\\E:\\dir\\small", local_, kCopyFlagOverwrite), kFileOk);
  EXPECT_EQ(ReadWholeFile(local_), Expected(3));
}

TEST_F(CopyOut, FailuresBeforeTheCopyLeaveTheLocalFileAlone) {
  WriteWholeFile(local_, "keep");
  struct Case {
    const char* remote;
    int result;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"\\E:\\dir\\missing", kFileNotFound,
       "ERROR: file 'E:\\dir\\missing' not found"},
      {"\\E:\\dir\\FILE", kFileNotFound,
       "ERROR: file 'E:\\dir\\FILE' not found"},
      {"\\Q:\\dir\\file", kFileNotFound,
       "ERROR: file 'Q:\\dir\\file' not found"},
      {"\\dir\\file", kFileNotFound, "ERROR: file 'dir\\file' not found"},
      // The lookup copes with the second separator; the drive part does not.
      {"\\\\E:\\dir\\file", kFileReadError,
       "ERROR: drive '' cannot be accessed"},
  };
  for (const Case& c : cases) {
    TheHostLog().requests.clear();
    EXPECT_EQ(Get(c.remote, local_, kCopyFlagOverwrite), c.result) << c.remote;
    EXPECT_EQ(TheHostLog().requests, std::vector<std::string>{c.message})
        << c.remote;
    EXPECT_EQ(ReadWholeFile(local_), "keep") << c.remote;
  }
}

TEST_F(CopyOut, BeforeInitNothingIsTouched) {
  gPluginState.initialized = false;
  const std::string local = dir_.File("never");
  EXPECT_EQ(Get("\\E:\\dir\\file", local), kFileReadError);
  gPluginState.initialized = true;
  ASSERT_EQ(nativewin::MessageBoxes().size(), 1u);
  const auto& box = nativewin::MessageBoxes()[0];
  EXPECT_EQ(box.text,
            "ERROR: plugin wasnt initialized, cannot proceed with file copy");
  EXPECT_EQ(box.caption, "Xbox DVD Filesystem");
  EXPECT_TRUE(nativewin::GetStats().opens.empty());
  EXPECT_EQ(GetFileAttributesA(local.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CopyOut, UnopenableLocalFileIsResultFour) {
  const std::string local = dir_.File("no/such/folder/copy");
  EXPECT_EQ(Get("\\E:\\dir\\file", local), kFileWriteError);
  EXPECT_EQ(TheHostLog().requests,
            std::vector<std::string>{"ERROR: file '" + local +
                                     "' cannot be opened for writing"});
}

TEST_F(CopyOut, ReadFailureMidwayKeepsTheChunksBefore) {
  const auto* file = imagewriter::FindPlacedEntry(report_, "dir/file");
  ASSERT_NE(file, nullptr);
  nativewin::ZeroReadAtSector(file->startSector + 32);
  CopyFromSlowDriveToSlowTarget();
  EXPECT_EQ(Get("\\E:\\dir\\file", local_), kFileReadError);
  EXPECT_EQ(
      TheHostLog().requests,
      std::vector<std::string>{"ERROR: vepo_extractdata failed, code = 13"});
  EXPECT_EQ(ReadWholeFile(local_), Expected(0).substr(0, 65536));
}

TEST_F(CopyOut, FullDiskIsNeverReportedAsSuccess) {
  // Every write fails.
  EXPECT_EQ(Get("\\E:\\dir\\small", "/dev/full", kCopyFlagOverwrite),
            kFileWriteError);
  EXPECT_EQ(
      TheHostLog().requests,
      std::vector<std::string>{"ERROR: file '/dev/full' cannot be written"});
  EXPECT_TRUE(TheHostLog().percents.empty());

  // Writes fail after 100000 bytes: the first chunk is kept and reported.
  TheHostLog() = HostLog();
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit limited = old;
  limited.rlim_cur = 100000;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  const int result = Get("\\E:\\dir\\file", local_);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(result, kFileWriteError);
  EXPECT_EQ(TheHostLog().percents, std::vector<int>{43});
  EXPECT_EQ(ReadWholeFile(local_).substr(0, 65536),
            Expected(0).substr(0, 65536));
}

TEST_F(CopyOut, SubdirectoryCopiesItsTable) {
  EXPECT_EQ(Get("\\E:\\dir", local_), kFileOk);
  const auto* dir = imagewriter::FindPlacedEntry(report_, "dir");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(ReadWholeFile(local_).size(), dir->size);
}

TEST_F(CopyOut, HugeFileReportsStayWithinZeroTo100) {
  nativewin::Reset();
  TempDir big;
  InsertTree(big, MakeDirectory("", {MakeZeroFile("huge", 3000000000u)}));
  EXPECT_EQ(Get("\\E:\\huge", "/dev/null", kCopyFlagOverwrite), kFileOk);
  const std::vector<int>& percents = TheHostLog().percents;
  ASSERT_EQ(percents.size(), (3000000000u + 65535) / 65536);
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  for (std::size_t i = 1; i < percents.size(); ++i) {
    ASSERT_GE(percents[i], percents[i - 1]);
    ASSERT_LE(percents[i], 100);
  }
}

TEST(CopyOutWithoutHost, MessagesGoToAMessageBoxAndProgressIsOptional) {
  nativewin::Reset();
  TempDir dir;
  InsertTree(dir, MakeDirectory("", {MakePatternFile("f", 10, 1)}));
  CloseDrive(gPluginState.driveCache);
  FsInit(7, nullptr, nullptr, nullptr);
  EXPECT_EQ(FsGetFile("\\E:\\f", dir.File("f").c_str(), 0, nullptr), kFileOk);
  EXPECT_EQ(FsGetFile("\\E:\\g", dir.File("g").c_str(), 0, nullptr),
            kFileNotFound);
  ASSERT_EQ(nativewin::MessageBoxes().size(), 1u);
  EXPECT_EQ(nativewin::MessageBoxes()[0].text, "ERROR: file 'E:\\g' not found");
  EXPECT_EQ(nativewin::MessageBoxes()[0].caption, "Xbox DVD Filesystem");
  CloseDrive(gPluginState.driveCache);
}

}  // namespace
