// Failing drives, a machine short of memory and a local disk that fills,
// injected through the platform layer and driven end to end through the
// exported entry points. Each case checks what the user is told, the result,
// the state of the drive cache, that nothing leaks, and what is left on the
// local disk; then, with the fault gone, that the same call works again.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "filesystem/exports.h"
#include "filesystem/listing.h"
#include "filesystem/state.h"
#include "platform/native/testapi.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;

constexpr std::uint32_t kFileSize = 150000;  // chunks 65536, 65536, 18928
constexpr std::uint32_t kChunkSectors = 32;
constexpr std::size_t kDescriptorBlock = 2048;
constexpr std::size_t kTableStreamBuffer = 16 * 2048;
constexpr std::size_t kCopyStreamBuffer = 32 * 2048;
constexpr int kWideEntries = 2000;  // a table of 20 sectors, over 32 KiB

// Where on the E: disc a fault strikes, and which table a message names.
enum class At {
  kNowhere,
  kDescriptor,
  kRootTable,
  kDirTable,
  kSubTable,
  kWideTable,
  kChunk0,
  kChunk1,
  kChunk2
};

enum class Fault {
  kOpen,
  kSeek,
  kZeroRead,
  kShortRead,   // a read starting at the sector brings `bytes` at most
  kAllocTable,  // the block of the table At names
  kAllocOf,     // any block of exactly `bytes`
  kAllocAbove,  // any block of more than `bytes`
  kDriveList,
  // Local-file faults of a copy.
  kNoFolder,
  kIsFolder,
  kDiskFull,  // writes fail once the file holds `bytes`
};

enum class Channel { kNone, kBox, kRequest };
enum class Cache { kClosed, kOpen };

// E: holds dir/sub/deep.bin, dir/file.bin, wide/ (2000 files), readme.txt;
// F: one file. Written once; every test puts them back into the drives.
struct Discs {
  TempDir dir;
  std::string e = dir.File("e.iso");
  std::string f = dir.File("f.iso");
  imagewriter::LayoutReport report;
};
Discs* gDiscs = nullptr;

const imagewriter::PlacedTable& Table(const std::string& path) {
  for (const auto& table : gDiscs->report.tables) {
    if (table.path == path) return table;
  }
  ADD_FAILURE() << "no table " << path;
  return gDiscs->report.tables[0];
}

const imagewriter::PlacedTable& Table(At at) {
  static const char* const kPaths[] = {"", "dir", "dir/sub", "wide"};
  const int index = static_cast<int>(at) - static_cast<int>(At::kRootTable);
  EXPECT_TRUE(index >= 0 && index < 4) << "not a table";
  return Table(kPaths[index >= 0 && index < 4 ? index : 0]);
}

std::uint64_t Sector(At at) {
  if (at == At::kNowhere) return 0;
  if (at == At::kDescriptor) return 32;
  if (at < At::kChunk0) return Table(at).startSector;
  const auto* file =
      imagewriter::FindPlacedEntry(gDiscs->report, "dir/file.bin");
  return file->startSector +
         kChunkSectors * (static_cast<int>(at) - static_cast<int>(At::kChunk0));
}

void Inject(Fault fault, At at, std::uint64_t bytes) {
  switch (fault) {
    case Fault::kOpen:
      return nativewin::FailOpens();
    case Fault::kSeek:
      return nativewin::FailSeekTo(Sector(at) * 2048);
    case Fault::kZeroRead:
      return nativewin::ZeroReadAtSector(Sector(at));
    case Fault::kShortRead:
      return nativewin::ShortReadAtSector(Sector(at),
                                          static_cast<DWORD>(bytes));
    case Fault::kAllocTable:
      return nativewin::FailAllocationOf(Table(at).size);
    case Fault::kAllocOf:
      return nativewin::FailAllocationOf(bytes);
    case Fault::kAllocAbove:
      return nativewin::FailAllocationsAbove(bytes);
    case Fault::kDriveList:
      return nativewin::FailLogicalDriveStrings();
    default:
      return;  // local-file faults are set up by the copy itself
  }
}

std::string Replace(std::string text, const std::string& key,
                    const std::string& value) {
  const std::size_t at = text.find(key);
  if (at != std::string::npos) text.replace(at, key.size(), value);
  return text;
}

std::vector<std::string> BoxTexts(bool captioned) {
  std::vector<std::string> texts;
  for (const auto& box : nativewin::MessageBoxes()) {
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(box.hasCaption, captioned);
    EXPECT_EQ(box.caption, captioned ? "Xbox DVD Filesystem" : "");
    texts.push_back(box.text);
  }
  return texts;
}

std::vector<std::string> Only(Channel channel, Channel wanted,
                              const std::string& text) {
  if (channel != wanted) return {};
  return {text};
}

int OpenDescriptors() {
  int count = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

class FaultMatrix : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    gDiscs = new Discs;
    std::vector<imagewriter::TreeNode> wide;
    for (int i = 0; i < kWideEntries; ++i) {
      wide.push_back(MakePatternFile("w" + std::to_string(i), 1, i));
    }
    const auto e = MakeDirectory(
        "",
        {MakeDirectory("dir", {MakeDirectory("sub", {MakePatternFile("deep.bin",
                                                                     5000, 1)}),
                               MakePatternFile("file.bin", kFileSize, 2)}),
         MakeDirectory("wide", wide), MakePatternFile("readme.txt", 12, 3)});
    const auto f = MakeDirectory("", {MakePatternFile("on-f", 3, 4)});
    std::string error;
    ASSERT_TRUE(
        imagewriter::WriteImage(e, gDiscs->e, {}, &gDiscs->report, &error))
        << error;
    imagewriter::LayoutReport ignored;
    ASSERT_TRUE(imagewriter::WriteImage(f, gDiscs->f, {}, &ignored, &error))
        << error;
    // The cases tell the blocks apart by size.
    ASSERT_GT(Table("wide").size, kTableStreamBuffer);
    ASSERT_NE(Table("wide").size, kCopyStreamBuffer);
  }
  static void TearDownTestSuite() {
    delete gDiscs;
    gDiscs = nullptr;
  }

 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(gPluginState);
    descriptors_ = OpenDescriptors();
    nativewin::AddDrive("C:\\", DRIVE_FIXED);
    nativewin::AddDrive("E:\\", DRIVE_CDROM, gDiscs->e);
    nativewin::AddDrive("F:\\", DRIVE_CDROM, gDiscs->f);
  }
  void TearDown() override {
    CloseDrive(gPluginState.driveCache);
    EXPECT_EQ(nativewin::GetStats().openHandles, 0);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
    EXPECT_EQ(OpenDescriptors(), descriptors_) << "a file stayed open";
  }

  // The cache as a case leaves it, and nothing held beyond it.
  static void ExpectCache(Cache cache) {
    const DriveCache& drive = gPluginState.driveCache;
    const nativewin::Stats& stats = nativewin::GetStats();
    if (cache == Cache::kOpen) {
      EXPECT_NE(drive.device.handle, nullptr);
      EXPECT_STREQ(drive.driveName, "E:");
      EXPECT_TRUE(drive.root.childrenLoaded);
      EXPECT_EQ(stats.openHandles, 1);
    } else {
      EXPECT_EQ(drive.device.handle, nullptr);
      EXPECT_FALSE(drive.root.childrenLoaded);
      EXPECT_TRUE(drive.root.children.empty());
      EXPECT_EQ(stats.openHandles, 0);
    }
    EXPECT_EQ(stats.liveBlocks, 0u);
    EXPECT_EQ(stats.misalignedReads, 0);
  }

 private:
  int descriptors_ = 0;
};

// ---- Listings ----

// What the host browsed before the fault strikes.
enum class Before {
  kCold,      // nothing: the drive is opened and mounted by the call itself
  kMounted,   // \E:
  kBrowsed,   // \E:\dir\sub, loading every table on the way
  kSwitched,  // the same, then \F:, which closes E:
};

void Browse(Before before) {
  if (before == Before::kCold) return;
  ASSERT_TRUE(
      ListThroughHost(before == Before::kMounted ? "\\E:" : "\\E:\\dir\\sub")
          .valid);
  if (before == Before::kSwitched) {
    ASSERT_TRUE(ListThroughHost("\\F:").valid);
  }
}

struct ListCase {
  const char* name;
  Before before;
  const char* path;
  Fault fault;
  At at;  // where it strikes; the table a walk message names
  std::uint64_t bytes;
  Channel channel;
  const char* text;
  Cache cache;
  std::size_t records;  // of the listing without the fault
};

constexpr char kCantOpen[] = "ERROR: cant open 'E:' device";
constexpr char kWalkFailed[] =
    "ERROR: vepo_getupdatedirsubtree error, path: '{path}', code = 3, "
    "StartSector={sector}";

const ListCase kListCases[] = {
    // Mounting: nothing of the disc is kept, the device is closed again.
    {"DeviceOpenFails", Before::kCold, "\\E:", Fault::kOpen, At::kNowhere, 0,
     Channel::kBox, kCantOpen, Cache::kClosed, 3},
    {"DescriptorSeekFails", Before::kCold, "\\E:", Fault::kSeek,
     At::kDescriptor, 0, Channel::kBox, kCantOpen, Cache::kClosed, 3},
    {"DescriptorReadsNothing", Before::kCold, "\\E:", Fault::kZeroRead,
     At::kDescriptor, 0, Channel::kBox, kCantOpen, Cache::kClosed, 3},
    {"DescriptorReadsShort", Before::kCold, "\\E:", Fault::kShortRead,
     At::kDescriptor, 2047, Channel::kBox, kCantOpen, Cache::kClosed, 3},
    {"DescriptorBlockRefused", Before::kCold, "\\E:", Fault::kAllocOf,
     At::kDescriptor, kDescriptorBlock, Channel::kBox, kCantOpen,
     Cache::kClosed, 3},
    {"RootTableSeekFails", Before::kCold, "\\E:\\dir", Fault::kSeek,
     At::kRootTable, 0, Channel::kBox, kCantOpen, Cache::kClosed, 2},
    {"RootTableReadsNothing", Before::kCold, "\\E:", Fault::kZeroRead,
     At::kRootTable, 0, Channel::kBox, kCantOpen, Cache::kClosed, 3},
    // The retry of the same sector brings no more: no progress, no loop.
    {"RootTableReadsASectorFragment", Before::kCold, "\\E:", Fault::kShortRead,
     At::kRootTable, 100, Channel::kBox, kCantOpen, Cache::kClosed, 3},
    {"RootTableStreamBufferRefused", Before::kCold, "\\E:", Fault::kAllocOf,
     At::kRootTable, kTableStreamBuffer, Channel::kBox, kCantOpen,
     Cache::kClosed, 3},
    // Walking: the drive stays open with what was loaded before.
    {"NestedTableSeekFails", Before::kCold, "\\E:\\dir\\sub", Fault::kSeek,
     At::kSubTable, 0, Channel::kBox, kWalkFailed, Cache::kOpen, 1},
    {"NestedTableReadsNothing", Before::kCold, "\\E:\\dir\\sub",
     Fault::kZeroRead, At::kSubTable, 0, Channel::kBox, kWalkFailed,
     Cache::kOpen, 1},
    {"NestedTableReadsASectorFragment", Before::kCold, "\\E:\\dir\\sub",
     Fault::kShortRead, At::kSubTable, 100, Channel::kBox, kWalkFailed,
     Cache::kOpen, 1},
    {"NestedTableBlockRefused", Before::kCold, "\\E:\\wide", Fault::kAllocTable,
     At::kWideTable, 0, Channel::kBox, kWalkFailed, Cache::kOpen, kWideEntries},
    {"NestedTableStreamBufferRefused", Before::kMounted, "\\E:\\dir",
     Fault::kAllocOf, At::kDirTable, kTableStreamBuffer, Channel::kBox,
     kWalkFailed, Cache::kOpen, 2},
    {"MachineShortOfMemory", Before::kCold, "\\E:\\wide", Fault::kAllocAbove,
     At::kWideTable, kTableStreamBuffer, Channel::kBox, kWalkFailed,
     Cache::kOpen, kWideEntries},
    // Reads that bring fewer bytes than asked, but some, are taken up again.
    {"TableReadsFewerSectors", Before::kCold, "\\E:\\wide", Fault::kShortRead,
     At::kWideTable, 2048, Channel::kNone, nullptr, Cache::kOpen, kWideEntries},
    {"TableReadsASectorFragmentOnce", Before::kCold, "\\E:\\wide",
     Fault::kShortRead, At::kWideTable, 3000, Channel::kNone, nullptr,
     Cache::kOpen, kWideEntries},
    // Back on E: after F:, every table is read again, and may fail again.
    {"ReloadedDescriptorReadsShort", Before::kSwitched, "\\E:\\dir\\sub",
     Fault::kShortRead, At::kDescriptor, 1024, Channel::kBox, kCantOpen,
     Cache::kClosed, 1},
    {"ReloadedRootTableReadsNothing", Before::kSwitched, "\\E:\\dir\\sub",
     Fault::kZeroRead, At::kRootTable, 0, Channel::kBox, kCantOpen,
     Cache::kClosed, 1},
    {"ReloadedDirTableReadsASectorFragment", Before::kSwitched,
     "\\E:\\dir\\sub", Fault::kShortRead, At::kDirTable, 1, Channel::kBox,
     kWalkFailed, Cache::kOpen, 1},
    {"ReloadedNestedTableSeekFails", Before::kSwitched, "\\E:\\dir\\sub",
     Fault::kSeek, At::kSubTable, 0, Channel::kBox, kWalkFailed, Cache::kOpen,
     1},
    // The drive list goes to the host, and the open drive is closed anyway.
    {"DriveListFails", Before::kBrowsed, "\\", Fault::kDriveList, At::kNowhere,
     0, Channel::kRequest, "ERROR: failed to get drives", Cache::kClosed, 2},
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class FaultMatrixListing : public FaultMatrix,
                           public ::testing::WithParamInterface<ListCase> {};

TEST_P(FaultMatrixListing, TellsTheUserAndKeepsNothingHalfRead) {
  const ListCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Browse(c.before));
  Inject(c.fault, c.at, c.bytes);

  const HostListing listed = ListThroughHost(c.path);
  std::string text = c.text ? c.text : "";
  text = Replace(text, "{path}", c.path + 1);
  text = Replace(text, "{sector}", std::to_string(Sector(c.at)));
  if (c.channel == Channel::kNone) {
    EXPECT_EQ(listed.names.size(), c.records);
  } else {
    EXPECT_FALSE(listed.valid);
  }
  EXPECT_EQ(BoxTexts(false), Only(c.channel, Channel::kBox, text));
  EXPECT_EQ(TheHostLog().requests, Only(c.channel, Channel::kRequest, text));
  ExpectCache(c.cache);

  // Once the fault is gone the same listing works: a failed table was not
  // kept, and one taken up after a short read came out the same.
  nativewin::ClearFaults();
  const HostListing healthy = ListThroughHost(c.path);
  EXPECT_EQ(healthy.names.size(), c.records);
  if (listed.valid) {
    EXPECT_EQ(listed.names, healthy.names);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FaultMatrixListing,
                         ::testing::ValuesIn(kListCases),
                         [](const ::testing::TestParamInfo<ListCase>& info) {
                           return info.param.name;
                         });

// ---- Copies ----

constexpr std::size_t kUntouched = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kNoLocalFile = kUntouched - 1;

struct CopyCase {
  const char* name;
  Before before;
  Fault fault;
  At at;
  std::uint64_t bytes;
  int result;
  const char* request;  // null for none; {local} stands for the local name
  std::size_t kept;     // leading bytes of the file left locally
  int reports;
  Cache cache;
};

constexpr char kNotFound[] = "ERROR: file 'E:\\dir\\file.bin' not found";
constexpr char kSeekFailed[] = "ERROR: vepo_extractdata failed, code = 12";
constexpr char kReadFailed[] = "ERROR: vepo_extractdata failed, code = 13";
constexpr char kNoMemory[] = "ERROR: vepo_extractdata failed, code = 11";
constexpr char kCannotOpen[] =
    "ERROR: file '{local}' cannot be opened for writing";
constexpr char kCannotWrite[] = "ERROR: file '{local}' cannot be written";

const CopyCase kCopyCases[] = {
    // The lookup fails: the local file is never touched.
    {"DeviceOpenFails", Before::kCold, Fault::kOpen, At::kNowhere, 0,
     kFileNotFound, kNotFound, kUntouched, 0, Cache::kClosed},
    {"DescriptorSeekFails", Before::kCold, Fault::kSeek, At::kDescriptor, 0,
     kFileNotFound, kNotFound, kUntouched, 0, Cache::kClosed},
    {"DescriptorReadsNothing", Before::kCold, Fault::kZeroRead, At::kDescriptor,
     0, kFileNotFound, kNotFound, kUntouched, 0, Cache::kClosed},
    {"RootTableReadsASectorFragment", Before::kCold, Fault::kShortRead,
     At::kRootTable, 100, kFileNotFound, kNotFound, kUntouched, 0,
     Cache::kClosed},
    {"TableStreamBufferRefused", Before::kCold, Fault::kAllocOf, At::kNowhere,
     kTableStreamBuffer, kFileNotFound, kNotFound, kUntouched, 0,
     Cache::kClosed},
    {"DirTableReadsNothing", Before::kMounted, Fault::kZeroRead, At::kDirTable,
     0, kFileNotFound, kNotFound, kUntouched, 0, Cache::kOpen},
    {"DirTableBlockRefused", Before::kMounted, Fault::kAllocTable,
     At::kDirTable, 0, kFileNotFound, kNotFound, kUntouched, 0, Cache::kOpen},
    // The stream fails: the local file keeps the chunks before the failure.
    {"FirstChunkSeekFails", Before::kCold, Fault::kSeek, At::kChunk0, 0,
     kFileReadError, kSeekFailed, 0, 0, Cache::kOpen},
    {"MiddleChunkSeekFails", Before::kCold, Fault::kSeek, At::kChunk1, 0,
     kFileReadError, kSeekFailed, 65536, 1, Cache::kOpen},
    {"LastChunkSeekFails", Before::kCold, Fault::kSeek, At::kChunk2, 0,
     kFileReadError, kSeekFailed, 131072, 2, Cache::kOpen},
    {"FirstChunkReadsNothing", Before::kCold, Fault::kZeroRead, At::kChunk0, 0,
     kFileReadError, kReadFailed, 0, 0, Cache::kOpen},
    {"MiddleChunkReadsNothing", Before::kCold, Fault::kZeroRead, At::kChunk1, 0,
     kFileReadError, kReadFailed, 65536, 1, Cache::kOpen},
    {"LastChunkReadsNothing", Before::kCold, Fault::kZeroRead, At::kChunk2, 0,
     kFileReadError, kReadFailed, 131072, 2, Cache::kOpen},
    // A sector fragment is delivered; the retry of that sector brings no more.
    {"FirstChunkReadsASectorFragment", Before::kCold, Fault::kShortRead,
     At::kChunk0, 1000, kFileReadError, kReadFailed, 1000, 1, Cache::kOpen},
    {"MiddleChunkReadsASectorFragment", Before::kCold, Fault::kShortRead,
     At::kChunk1, 1000, kFileReadError, kReadFailed, 66536, 2, Cache::kOpen},
    {"LastChunkReadsASectorFragment", Before::kCold, Fault::kShortRead,
     At::kChunk2, 1000, kFileReadError, kReadFailed, 132072, 3, Cache::kOpen},
    // Whole sectors short: the stream goes on from there.
    {"FirstChunkReadsFewerSectors", Before::kCold, Fault::kShortRead,
     At::kChunk0, 4096, kFileOk, nullptr, kFileSize, 4, Cache::kOpen},
    {"LastChunkReadsFewerSectors", Before::kCold, Fault::kShortRead,
     At::kChunk2, 2048, kFileOk, nullptr, kFileSize, 4, Cache::kOpen},
    {"StreamBufferRefused", Before::kCold, Fault::kAllocOf, At::kNowhere,
     kCopyStreamBuffer, kFileReadError, kNoMemory, 0, 0, Cache::kOpen},
    {"MachineShortOfMemory", Before::kCold, Fault::kAllocAbove, At::kNowhere,
     kCopyStreamBuffer - 1, kFileReadError, kNoMemory, 0, 0, Cache::kOpen},
    // The local side.
    {"LocalFolderMissing", Before::kCold, Fault::kNoFolder, At::kNowhere, 0,
     kFileWriteError, kCannotOpen, kNoLocalFile, 0, Cache::kOpen},
    {"LocalNameIsAFolder", Before::kCold, Fault::kIsFolder, At::kNowhere, 0,
     kFileWriteError, kCannotOpen, kNoLocalFile, 0, Cache::kOpen},
    {"DiskFullFromTheStart", Before::kCold, Fault::kDiskFull, At::kNowhere, 0,
     kFileWriteError, kCannotWrite, 0, 0, Cache::kOpen},
    {"DiskFullAfterTheFirstChunk", Before::kCold, Fault::kDiskFull,
     At::kNowhere, 65536, kFileWriteError, kCannotWrite, 65536, 1,
     Cache::kOpen},
    {"DiskFullInsideTheMiddleChunk", Before::kCold, Fault::kDiskFull,
     At::kNowhere, 100000, kFileWriteError, kCannotWrite, 100000, 1,
     Cache::kOpen},
    {"DiskFullInsideTheLastChunk", Before::kCold, Fault::kDiskFull,
     At::kNowhere, 140000, kFileWriteError, kCannotWrite, 140000, 2,
     Cache::kOpen},
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }

// Writes beyond `bytes` fail with "file too large", as on a full disk; the
// signal that would end the process is ignored meanwhile.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_;
  void (*oldHandler_)(int);
};

class FaultMatrixCopy : public FaultMatrix,
                        public ::testing::WithParamInterface<CopyCase> {
 protected:
  TempDir local_;
};

TEST_P(FaultMatrixCopy, ReportsTheFailureAndKeepsWhatWasWritten) {
  const CopyCase& c = GetParam();
  const std::string content =
      ExpectedContent(MakePatternFile("", kFileSize, 2));
  std::string local = local_.File("copy");
  if (c.fault == Fault::kNoFolder) local = local_.File("missing/copy");
  if (c.fault == Fault::kIsFolder) {
    local = local_.File("folder");
    std::filesystem::create_directory(local);
  }
  WriteWholeFile(local_.File("copy"), "keep");
  ASSERT_NO_FATAL_FAILURE(Browse(c.before));
  Inject(c.fault, c.at, c.bytes);
  // The copy reads ahead from its third chunk on.
  nativewin::ThrottleReads(kSlowDriveRate);
  TheHostLog().requests.clear();

  const char* remote = "\\E:\\dir\\file.bin";
  std::optional<FileSizeLimit> limit;
  if (c.fault == Fault::kDiskFull) limit.emplace(c.bytes);
  const int result =
      FsGetFile(remote, local.c_str(), kCopyFlagOverwrite, nullptr);
  limit.reset();
  EXPECT_EQ(result, c.result);
  const std::vector<std::string> requests =
      c.request ? std::vector<std::string>{Replace(c.request, "{local}", local)}
                : std::vector<std::string>{};
  EXPECT_EQ(TheHostLog().requests, requests);
  EXPECT_TRUE(nativewin::MessageBoxes().empty());
  EXPECT_EQ(TheHostLog().percents.size(), static_cast<std::size_t>(c.reports));
  if (c.kept == kUntouched) {
    EXPECT_EQ(ReadWholeFile(local), "keep");
  } else if (c.kept == kNoLocalFile) {
    EXPECT_FALSE(std::filesystem::is_regular_file(local));
  } else {
    const std::string left = ReadWholeFile(local);
    EXPECT_EQ(left.size(), c.kept);
    EXPECT_TRUE(left == content.substr(0, c.kept)) << "wrong bytes kept";
  }
  ExpectCache(c.cache);

  nativewin::ClearFaults();
  const std::string again = local_.File("again");
  EXPECT_EQ(FsGetFile(remote, again.c_str(), kCopyFlagOverwrite, nullptr),
            kFileOk);
  EXPECT_TRUE(ReadWholeFile(again) == content);
}

INSTANTIATE_TEST_SUITE_P(Cases, FaultMatrixCopy,
                         ::testing::ValuesIn(kCopyCases),
                         [](const ::testing::TestParamInfo<CopyCase>& info) {
                           return info.param.name;
                         });

// Before the host has given a request callback, the same failures reach the
// user through the system message box, with the root name as caption.
TEST_F(FaultMatrix, WithoutAHostMessagesGoToTheMessageBox) {
  FsInit(7, nullptr, nullptr, nullptr);
  nativewin::FailLogicalDriveStrings();
  EXPECT_FALSE(ListThroughHost("\\").valid);
  nativewin::ZeroReadAtSector(Sector(At::kChunk1));
  const TempDir local;
  EXPECT_EQ(
      FsGetFile("\\E:\\dir\\file.bin", local.File("copy").c_str(), 0, nullptr),
      kFileReadError);
  EXPECT_EQ(BoxTexts(true), (std::vector<std::string>{
                                "ERROR: failed to get drives", kReadFailed}));
  EXPECT_EQ(ReadWholeFile(local.File("copy")).size(), 65536u);
  ExpectCache(Cache::kOpen);
}

}  // namespace
