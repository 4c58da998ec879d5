// Discs crafted to mislead the reader: a directory that holds itself,
// places and sizes beyond the device, a table as large as its size field
// can say, names made of path syntax, duplicate names and a very wide table.
// None may crash, hang or allocate without bound.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "disc/drivecache.h"
#include "disc/format.h"
#include "disc/tree.h"
#include "filesystem/exports.h"
#include "filesystem/listing.h"
#include "filesystem/state.h"
#include "platform/native/testapi.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::LayoutTable;
using imagewriter::MakeRawEntry;
using imagewriter::PutBytes;
using imagewriter::RawEntry;
using imagewriter::RawImage;
using Names = std::vector<std::string>;

constexpr std::uint8_t kDir = imagewriter::kAttrDirectory;
constexpr std::uint32_t kFar = 0xFFFFFFF0u;  // some 8 TiB in
constexpr std::uint32_t kHuge = 0xFFFFFFFFu;
constexpr std::size_t kNoSuchMachine = std::size_t{1} << 30;

std::string Pattern(std::uint32_t seed, std::size_t size) {
  const auto bytes = imagewriter::PatternBytes(seed, 0, size);
  return std::string(bytes.begin(), bytes.end());
}

void PutPattern(RawImage* raw, std::uint32_t sector, std::uint32_t seed,
                std::size_t size) {
  PutBytes(raw, SectorToOffset(sector),
           imagewriter::PatternBytes(seed, 0, size));
}

void PutTable(RawImage* raw, std::uint32_t sector,
              const std::vector<RawEntry>& entries) {
  PutBytes(raw, SectorToOffset(sector), LayoutTable(entries).bytes);
}

Names TakeRequests() {
  Names texts = TheHostLog().requests;
  TheHostLog().requests.clear();
  return texts;
}

std::string WalkFailed(const std::string& path, int code, int sector) {
  return "ERROR: vepo_getupdatedirsubtree error, path: '" + path +
         "', code = " + std::to_string(code) +
         ", StartSector=" + std::to_string(sector);
}

class HostileDisc : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(gPluginState);
  }
  void TearDown() override {
    CloseDrive(gPluginState.driveCache);
    const nativewin::Stats& stats = nativewin::GetStats();
    EXPECT_EQ(stats.openHandles, 0);
    EXPECT_EQ(stats.liveBlocks, 0u);
    EXPECT_EQ(stats.misalignedReads, 0);
  }

  int Get(const std::string& remote, const std::string& local) {
    return FsGetFile(remote.c_str(), dir_.File(local).c_str(),
                     kCopyFlagOverwrite, nullptr);
  }
  std::string Local(const std::string& local) const {
    return ReadWholeFile(dir_.File(local));
  }
  // The message boxes shown since the last call.
  Names TakeBoxes() {
    const auto& boxes = nativewin::MessageBoxes();
    Names texts;
    for (; boxesSeen_ < boxes.size(); ++boxesSeen_) {
      texts.push_back(boxes[boxesSeen_].text);
    }
    return texts;
  }

  TempDir dir_;
  std::size_t boxesSeen_ = 0;
};

TEST_F(HostileDisc, DirectoryHoldingItselfIsFollowedOnlyAsFarAsThePath) {
  RawImage raw = RawDiscWithRoot(
      {MakeRawEntry("a", kDir, 33, 2048), MakeRawEntry("file", 0, 40, 100)});
  PutPattern(&raw, 40, 1, 100);
  InsertRaw(dir_, raw);
  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "\\a";
  const auto start = std::chrono::steady_clock::now();

  // The host's path is cut to its buffers; what is left is walked.
  EXPECT_EQ(ListThroughHost("\\E:" + deep).names, (Names{"a", "file"}));
  EXPECT_EQ(Get("\\E:" + deep + "\\file", "file"), kFileOk);
  EXPECT_EQ(Local("file"), Pattern(1, 100));
  EXPECT_TRUE(TakeBoxes().empty());

  // All 200 components: one table read for each, then none at all.
  CloseDrive(gPluginState.driveCache);
  DirNode* root = nullptr;
  const Device* device = OpenDrive(gPluginState.driveCache, "E:", &root);
  ASSERT_NE(device, nullptr);
  nativewin::ResetStats();
  DirNode reached;
  EXPECT_EQ(vepo_getupdatedirsubtree(*device, *root, deep.c_str(), 0, &reached,
                                     nullptr),
            kWalkFound);
  EXPECT_EQ(nativewin::GetStats().reads.size(), 200u);
  ASSERT_EQ(reached.children.size(), 2u);
  EXPECT_FALSE(reached.children[0].childrenLoaded);
  nativewin::ResetStats();
  EXPECT_EQ(vepo_getupdatedirsubtree(*device, *root, deep.c_str(), 0, nullptr,
                                     nullptr),
            kWalkFound);
  EXPECT_TRUE(nativewin::GetStats().reads.empty());
  // Listing the root now copies the whole 200-deep loaded tree.
  EXPECT_EQ(ListThroughHost("\\E:").names, (Names{"a", "file"}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(HostileDisc, PlacesAndSizesBeyondTheDeviceFailTheirOwnReadsOnly) {
  RawImage raw = RawDiscWithRoot({MakeRawEntry("far.bin", 0, kFar, 100),
                                  MakeRawEntry("long.bin", 0, 40, kHuge),
                                  MakeRawEntry("fardir", kDir, kFar, 2048),
                                  MakeRawEntry("longdir", kDir, 40, 1 << 20)});
  PutPattern(&raw, 40, 2, 100);  // the device ends 100 bytes into sector 40
  InsertRaw(dir_, raw);

  const HostListing root = ListThroughHost("\\E:");
  EXPECT_EQ(root.names, (Names{"far.bin", "long.bin", "fardir", "longdir"}));
  EXPECT_EQ(root.sizes, (std::vector<DWORD>{100, kHuge, 2048, 1 << 20}));

  const std::string readFailed = "ERROR: vepo_extractdata failed, code = 13";
  EXPECT_EQ(Get("\\E:\\far.bin", "far"), kFileReadError);
  EXPECT_EQ(TakeRequests(), Names{readFailed});
  EXPECT_EQ(Local("far"), "");
  // What the device holds is copied, then the reads end with it.
  nativewin::ResetStats();
  EXPECT_EQ(Get("\\E:\\long.bin", "long"), kFileReadError);
  EXPECT_EQ(TakeRequests(), Names{readFailed});
  EXPECT_EQ(Local("long"), Pattern(2, 100));
  EXPECT_EQ(nativewin::GetStats().reads.size(), 2u);
  EXPECT_EQ(TheHostLog().percents.back(), 0);

  EXPECT_FALSE(ListThroughHost("\\E:\\fardir").valid);
  EXPECT_FALSE(ListThroughHost("\\E:\\longdir").valid);
  EXPECT_EQ(TakeBoxes(),
            (Names{WalkFailed("E:\\fardir", 3, static_cast<int>(kFar)),
                   WalkFailed("E:\\longdir", 3, 40)}));
  // The drive stays usable.
  EXPECT_EQ(ListThroughHost("\\E:").names.size(), 4u);
}

TEST_F(HostileDisc, TableAsLargeAsItsSizeFieldCanSay) {
  InsertRaw(dir_, RawDiscWithRoot({MakeRawEntry("huge", kDir, 33, kHuge)}));
  Device device = OpenE();
  Extent extent;
  extent.size = kHuge;
  extent.startSector = 33;
  extent.byteOffset = SectorToOffset(33);
  std::vector<DirNode> list;
  // A machine that cannot give the block: nothing is read.
  nativewin::FailAllocationsAbove(kNoSuchMachine);
  nativewin::ResetStats();
  EXPECT_EQ(vepo_readdirtable(device, extent, list), kTableNoMemory);
  EXPECT_TRUE(nativewin::GetStats().reads.empty());
  // One that can: the reads stop where the device ends.
  nativewin::ClearFaults();
  EXPECT_EQ(vepo_readdirtable(device, extent, list), kTableUnreadable);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(nativewin::GetStats().reads.size(), 2u);
  vepo_closedevice(device);

  // Through the host: the walk's message, the drive still open.
  nativewin::FailAllocationsAbove(kNoSuchMachine);
  EXPECT_FALSE(ListThroughHost("\\E:\\huge").valid);
  EXPECT_EQ(TakeBoxes(), Names{WalkFailed("E:\\huge", 3, 33)});
  EXPECT_NE(gPluginState.driveCache.device.handle, nullptr);

  // As the root table's size, the disc does not mount at all.
  RawImage rootHuge;
  PutTable(&rootHuge, 33, {MakeRawEntry("x", 0, 40, 1)});
  imagewriter::PutVolumeDescriptor(&rootHuge, 33, kHuge, true);
  InsertRaw(dir_, rootHuge, "F:\\");
  EXPECT_EQ(Get("\\F:\\x", "x"), kFileNotFound);
  EXPECT_EQ(TakeRequests(), Names{"ERROR: file 'F:\\x' not found"});
  EXPECT_FALSE(ListThroughHost("\\F:").valid);
  nativewin::ClearFaults();
  EXPECT_FALSE(ListThroughHost("\\F:").valid);
  EXPECT_EQ(TakeBoxes(), Names(2, "ERROR: cant open 'F:' device"));
  EXPECT_EQ(gPluginState.driveCache.device.handle, nullptr);
}

// Sizes whose aligned block would wrap around on 32-bit, on discs that go
// on for a while: a block that came back small would be overrun by the reads.
TEST_F(HostileDisc, TablesWithinAPageOfFourGiBAreNeverReadIntoASmallBlock) {
  const std::uint64_t discEnd = SectorToOffset(33) + (1 << 20);
  struct Case {
    std::uint32_t size;
    std::string folderDrive;  // the size is a folder's
    std::string rootDrive;    // the size is the root table's
  };
  for (const Case& c :
       {Case{kHuge, "E:", "F:"}, Case{0xFFFFF001u, "G:", "H:"}}) {
    RawImage folder = RawDiscWithRoot({MakeRawEntry("huge", kDir, 34, c.size)});
    folder.size = discEnd;
    InsertRaw(dir_, folder, c.folderDrive + "\\");
    RawImage root;
    PutTable(&root, 33, {MakeRawEntry("x", 0, 40, 1)});
    imagewriter::PutVolumeDescriptor(&root, 33, c.size, true);
    root.size = discEnd;
    InsertRaw(dir_, root, c.rootDrive + "\\");
    // The block is refused, as on 32-bit, or given, as natively.
    for (const std::size_t limit : {std::size_t{c.size} - 1, SIZE_MAX}) {
      nativewin::FailAllocationsAbove(limit);
      EXPECT_FALSE(ListThroughHost("\\" + c.folderDrive + "\\huge").valid);
      EXPECT_FALSE(ListThroughHost("\\" + c.rootDrive).valid);
      EXPECT_EQ(TakeBoxes(),
                (Names{WalkFailed(c.folderDrive + "\\huge", 3, 34),
                       "ERROR: cant open '" + c.rootDrive + "' device"}));
    }
  }
  EXPECT_EQ(AllocBlock(kMaxBlockBytes + 1), nullptr);
}

// Names that would act as paths in a host are left out of listings; a
// path that names them still reaches them.
TEST_F(HostileDisc, NamesOfPathSyntaxAreLeftOutAndNeverOverrun) {
  const std::string back(255, '\\');
  const std::string slash(255, '/');
  const std::string colon(255, ':');
  const std::string angle(255, '<');
  RawImage raw = RawDiscWithRoot(
      {MakeRawEntry(back, kDir, 40, 2048), MakeRawEntry(slash, 0, 41, 10),
       MakeRawEntry(colon, kDir, 42, 2048), MakeRawEntry(angle, 0, 43, 20),
       MakeRawEntry("..", kDir, 40, 2048), MakeRawEntry(".", 0, 41, 10),
       MakeRawEntry("../../x", 0, 41, 10), MakeRawEntry("", 0, 41, 10),
       MakeRawEntry("bell\a", 0, 41, 10), MakeRawEntry("a:b", 0, 41, 10),
       MakeRawEntry("con", 0, 41, 10), MakeRawEntry("NUL.txt", 0, 41, 10),
       MakeRawEntry("Com1 .bin", 0, 41, 10),
       MakeRawEntry("LPT9", kDir, 40, 2048), MakeRawEntry("dot.", 0, 41, 10),
       MakeRawEntry("space ", 0, 41, 10)});
  PutTable(&raw, 40, {MakeRawEntry("in-back", 0, 44, 1)});
  PutPattern(&raw, 41, 3, 10);
  PutTable(&raw, 42, {MakeRawEntry("in-colon", 0, 44, 1)});
  PutPattern(&raw, 43, 4, 20);
  PutPattern(&raw, 44, 5, 1);
  InsertRaw(dir_, raw);
  const Names all = {angle};

  EXPECT_EQ(ListThroughHost("\\E:").names, all);
  EXPECT_EQ(ListThroughHost("\\E:\\" + colon).names, Names{"in-colon"});
  // Separators are separators: trailing ones go, so this is the root.
  EXPECT_EQ(ListThroughHost("\\E:\\" + back).names, all);
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_FALSE(ListThroughHost("\\E:\\" + angle).valid);
  EXPECT_EQ(TakeBoxes(), Names{WalkFailed("E:\\" + angle, 1, 33)});

  EXPECT_EQ(Get("\\E:\\" + angle, "angle"), kFileOk);
  EXPECT_EQ(Local("angle"), Pattern(4, 20));
  // A name of separators leaves an empty file name.
  EXPECT_EQ(Get("\\E:\\" + slash, "slash"), kFileNotFound);
  // A directory part beyond 255 characters is cut, and then names nothing.
  EXPECT_EQ(Get("\\E:\\" + colon + "\\in-colon", "in"), kFileNotFound);
  EXPECT_EQ(TakeRequests(),
            (Names{"ERROR: file 'E:\\" + slash + "' not found",
                   "ERROR: file 'E:\\" + colon + "\\in-colon' not found"}));
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(HostileDisc, DuplicateNamesAreAllListedAndTheFirstIsTaken) {
  RawImage raw = RawDiscWithRoot(
      {MakeRawEntry("same", 0, 40, 10), MakeRawEntry("same", 0, 41, 20),
       MakeRawEntry("x", 0, 42, 5), MakeRawEntry("x", kDir, 43, 2048)});
  PutPattern(&raw, 40, 6, 10);
  PutPattern(&raw, 41, 7, 20);
  PutPattern(&raw, 42, 8, 5);
  PutTable(&raw, 43, {MakeRawEntry("inner", 0, 40, 1)});
  InsertRaw(dir_, raw);

  const HostListing root = ListThroughHost("\\E:");
  EXPECT_EQ(root.names, (Names{"same", "same", "x", "x"}));
  EXPECT_EQ(root.sizes, (std::vector<DWORD>{10, 20, 5, 2048}));
  EXPECT_EQ(Get("\\E:\\same", "same"), kFileOk);
  EXPECT_EQ(Local("same"), Pattern(6, 10));
  // A copy takes the first entry of the name, a walk the first directory.
  EXPECT_EQ(Get("\\E:\\x", "x"), kFileOk);
  EXPECT_EQ(Local("x"), Pattern(8, 5));
  EXPECT_EQ(ListThroughHost("\\E:\\x").names, Names{"inner"});
}

TEST_F(HostileDisc, HundredThousandEntriesListInTableOrder) {
  constexpr int kEntries = 100000;
  std::vector<RawEntry> entries;
  entries.reserve(kEntries);
  for (int i = 0; i < kEntries; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "%06d", i);
    entries.push_back(MakeRawEntry(name, 0, 40, static_cast<std::uint32_t>(i)));
  }
  InsertRaw(dir_, RawDiscWithRoot(entries));

  const auto start = std::chrono::steady_clock::now();
  const HostListing root = ListThroughHost("\\E:");
  ASSERT_EQ(root.names.size(), static_cast<std::size_t>(kEntries));
  for (int i = 0; i < kEntries; ++i) {
    ASSERT_EQ(root.sizes[i], static_cast<DWORD>(i));
  }
  EXPECT_EQ(root.names.front(), "000000");
  EXPECT_EQ(root.names.back(), "099999");
  // The lookup runs through them all to the last.
  EXPECT_EQ(Get("\\E:\\099999", "last"), kFileOk);
  EXPECT_EQ(Local("last").size(), 99999u);
  // Linear work takes seconds even under ThreadSanitizer on a loaded
  // machine; quadratic work over 100,000 entries would take hours.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

}  // namespace
