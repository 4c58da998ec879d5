#include "disc/format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/native/testapi.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::EncodeEntry;
using imagewriter::MakeRawEntry;
using imagewriter::RawEntry;

std::vector<std::string> Names(const std::vector<DirNode>& nodes) {
  std::vector<std::string> names;
  for (const DirNode& node : nodes) names.push_back(node.name);
  return names;
}

std::vector<DirNode> Scan(const std::vector<std::uint8_t>& table) {
  std::vector<DirNode> nodes;
  vepo_scandirtable(table.data(), static_cast<std::uint32_t>(table.size()),
                    nodes);
  return nodes;
}

// Entries placed back to back from the table's start, then 0xFF up to size.
std::vector<std::uint8_t> Packed(const std::vector<RawEntry>& entries,
                                 std::size_t size) {
  std::vector<std::uint8_t> table;
  for (const RawEntry& entry : entries) {
    const auto bytes = EncodeEntry(entry);
    table.insert(table.end(), bytes.begin(), bytes.end());
  }
  table.resize(size, 0xFF);
  return table;
}

// Fills a table with 16-byte entries n0, n1, ... up to in-sector position
// fillAt, leaves 0xFF from there, and puts "next" at the next sector.
std::vector<std::uint8_t> FillAt(std::uint32_t fillAt) {
  std::vector<RawEntry> entries;
  for (std::uint32_t at = 0; at < fillAt; at += 16) {
    entries.push_back(
        MakeRawEntry(std::string(1, 'a' + at / 16 % 26), 0, 1, 1));
  }
  std::vector<std::uint8_t> table = Packed(entries, 2 * kSectorSize);
  std::fill(table.begin() + fillAt, table.begin() + kSectorSize, 0xFF);
  const auto next = EncodeEntry(MakeRawEntry("next", 0, 1, 1));
  std::copy(next.begin(), next.end(), table.begin() + kSectorSize);
  return table;
}

TEST(ScanTable, FillEndsTheTableUpTo1772AndOnlyTheSectorFrom1776) {
  // Three 20-byte and 107 16-byte entries end at position 1772.
  std::vector<RawEntry> entries(3, MakeRawEntry("abc", 0, 1, 1));
  entries.insert(entries.end(), 107, MakeRawEntry("x", 0, 1, 1));
  std::vector<std::uint8_t> at1772 = Packed(entries, 2 * kSectorSize);
  const auto next = EncodeEntry(MakeRawEntry("next", 0, 1, 1));
  std::copy(next.begin(), next.end(), at1772.begin() + kSectorSize);
  EXPECT_EQ(Scan(at1772).size(), 110u);

  const std::vector<DirNode> at1776 = Scan(FillAt(1776));
  EXPECT_EQ(at1776.size(), 1776u / 16 + 1);
  EXPECT_EQ(at1776.back().name, "next");
}

TEST(ScanTable, EndsAtFillOrTheTablesSize) {
  EXPECT_TRUE(Scan(std::vector<std::uint8_t>(kSectorSize, 0xFF)).empty());
  EXPECT_TRUE(Scan({}).empty());

  // Sector fill in the last sector: the jump reaches the end.
  std::vector<std::uint8_t> lastSector = FillAt(1776);
  lastSector.resize(kSectorSize);
  EXPECT_EQ(Scan(lastSector).size(), 1776u / 16);

  // The last entry ends exactly at the size: nothing is read after it.
  const std::vector<RawEntry> two = {MakeRawEntry("one", 0, 1, 1),
                                     MakeRawEntry("two", 0, 2, 2)};
  EXPECT_EQ(Names(Scan(Packed(two, 40))),
            (std::vector<std::string>{"one", "two"}));
}

TEST(ScanTable, NamesAreTakenWholeAndStepsFollowTheNameLength) {
  std::vector<RawEntry> entries;
  for (int length : {0, 1, 2, 3, 127, 128, 255}) {
    entries.push_back(MakeRawEntry(std::string(length, 'n'), 0, 5, 6));
  }
  RawEntry withZero = MakeRawEntry("ab", 0, 7, 8);
  withZero.name = std::string("ab\0cd", 5);
  withZero.nameLength = 5;
  entries.push_back(withZero);
  const imagewriter::TableLayout table = imagewriter::LayoutTable(entries);
  const std::vector<DirNode> nodes = Scan(table.bytes);
  ASSERT_EQ(nodes.size(), entries.size());
  const int lengths[] = {0, 1, 2, 3, 127, 128, 255};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(nodes[i].name, std::string(lengths[i], 'n'));
    EXPECT_EQ(nodes[i].nameLength, lengths[i]);
  }
  EXPECT_EQ(nodes[7].name, "ab");
  EXPECT_EQ(nodes[7].nameLength, 5);
  EXPECT_EQ(nodes[7].startSector, 7u);
  EXPECT_EQ(nodes[7].byteOffset, 7u * kSectorSize);
  EXPECT_FALSE(nodes[7].childrenLoaded);
}

TEST(ScanTable, NeverReadsPastTheTable) {
  // The fixed part, then the name, would run past the end: the scan stops
  // with what came before. The table is copied to an exact-size heap block
  // so that the sanitizer sees any overrun.
  const std::vector<RawEntry> entries = {MakeRawEntry("kept", 0, 1, 1),
                                         MakeRawEntry("long name", 0, 1, 1)};
  for (std::size_t size : {20u, 22u, 30u, 36u, 39u}) {
    std::vector<std::uint8_t> bytes = Packed(entries, 48);
    bytes.resize(size);
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    EXPECT_EQ(Names(Scan(exact)), std::vector<std::string>{"kept"}) << size;
  }
}

TEST(ScanTable, CopiesEveryFieldOfTheEntry) {
  RawEntry entry = MakeRawEntry("file.bin", 0x21, 0x12345678, 0xFEDCBA98);
  entry.leftOffset = 0x1234;
  entry.rightOffset = 0xABCD;
  const std::vector<DirNode> nodes = Scan(Packed({entry}, 24));
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].leftOffset, 0x1234);
  EXPECT_EQ(nodes[0].rightOffset, 0xABCD);
  EXPECT_EQ(nodes[0].startSector, 0x12345678u);
  EXPECT_EQ(nodes[0].size, 0xFEDCBA98u);
  EXPECT_EQ(nodes[0].attributes, 0x21);
  // Computed in 64 bits, also in the 32-bit build.
  EXPECT_EQ(nodes[0].byteOffset, 0x12345678ull * 2048);
}

class DiscFormat : public ::testing::Test {
 protected:
  void SetUp() override { nativewin::Reset(); }
  void TearDown() override {
    vepo_closedevice(device_);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
    EXPECT_EQ(nativewin::GetStats().misalignedReads, 0);
  }
  void Insert(const imagewriter::RawImage& raw) {
    InsertRaw(dir_, raw);
    device_ = OpenE();
  }
  TempDir dir_;
  Device device_;
};

TEST_F(DiscFormat, VolumeDescriptorGivesTheRootTableOnlyOnAnXboxVolume) {
  imagewriter::RawImage raw;
  imagewriter::PutVolumeDescriptor(&raw, 0x89ABCDEF, 4096, true);
  Insert(raw);
  Extent extent;
  EXPECT_EQ(vepo_readvolumedescriptor(device_, &extent), 0);
  EXPECT_EQ(extent.startSector, 0x89ABCDEFu);
  EXPECT_EQ(extent.size, 4096u);
  EXPECT_EQ(extent.byteOffset, 0x89ABCDEFull * 2048);

  imagewriter::RawImage other;
  imagewriter::PutVolumeDescriptor(&other, 33, 2048, false);
  vepo_closedevice(device_);
  Insert(other);
  Extent untouched;
  untouched.size = 77;
  EXPECT_EQ(vepo_readvolumedescriptor(device_, &untouched), 1);
  EXPECT_EQ(untouched.size, 77u);
}

TEST_F(DiscFormat, VolumeDescriptorFailsOnShortReadsSeeksAndMemory) {
  Insert(RawDiscWithRoot({}));
  Extent extent;
  nativewin::ShortReadAtSector(32, 1024);
  EXPECT_EQ(vepo_readvolumedescriptor(device_, &extent), 1);
  nativewin::ClearFaults();
  nativewin::FailSeekTo(0x10000);
  EXPECT_EQ(vepo_readvolumedescriptor(device_, &extent), 1);
  nativewin::ClearFaults();
  nativewin::FailAllocationOf(2048);
  EXPECT_EQ(vepo_readvolumedescriptor(device_, &extent), 1);
  nativewin::ClearFaults();
  EXPECT_EQ(vepo_readvolumedescriptor(device_, &extent), 0);

  // A disc shorter than the descriptor's sector.
  vepo_closedevice(device_);
  imagewriter::RawImage tiny;
  imagewriter::PutBytes(&tiny, 0, std::vector<std::uint8_t>(4096, 1));
  Insert(tiny);
  EXPECT_EQ(vepo_readvolumedescriptor(device_, &extent), 1);
}

TEST_F(DiscFormat, ReadDirTableAppendsTheEntriesOrLeavesTheListAlone) {
  Insert(RawDiscWithRoot(
      {MakeRawEntry("a", 0x10, 40, 2048), MakeRawEntry("b.txt", 0x20, 41, 5)}));
  Extent extent;
  ASSERT_EQ(vepo_readvolumedescriptor(device_, &extent), 0);

  std::vector<DirNode> list(1);
  list[0].name = "before";
  nativewin::ResetStats();
  EXPECT_EQ(vepo_readdirtable(device_, extent, list), 0);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"before", "a", "b.txt"}));
  // One 16-sector stream of the table's one sector.
  ASSERT_EQ(nativewin::GetStats().reads.size(), 1u);
  EXPECT_EQ(nativewin::GetStats().reads[0].requested, 2048u);

  nativewin::FailAllocationOf(extent.size);
  EXPECT_EQ(vepo_readdirtable(device_, extent, list), kTableNoMemory);
  nativewin::ClearFaults();
  nativewin::ZeroReadAtSector(33);
  EXPECT_EQ(vepo_readdirtable(device_, extent, list), kTableUnreadable);
  nativewin::ClearFaults();
  nativewin::FailAllocationOf(16 * 2048);
  EXPECT_EQ(vepo_readdirtable(device_, extent, list), kTableUnreadable);
  EXPECT_EQ(list.size(), 3u);
}

TEST_F(DiscFormat, EmptyTableReadsNothing) {
  Insert(RawDiscWithRoot({}));
  Extent empty;
  empty.startSector = 999999;
  empty.byteOffset = SectorToOffset(999999);
  std::vector<DirNode> list;
  nativewin::ResetStats();
  EXPECT_EQ(vepo_readdirtable(device_, empty, list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(nativewin::GetStats().reads.empty());
}

TEST(NodeExtent, ComputesTheOffsetFromTheSector) {
  DirNode node;
  node.startSector = 0xFFFFFFFF;
  node.size = 12;
  node.byteOffset = 5;
  Extent extent;
  vepo_nodeextent(node, &extent);
  EXPECT_EQ(extent.startSector, 0xFFFFFFFFu);
  EXPECT_EQ(extent.size, 12u);
  EXPECT_EQ(extent.byteOffset, 0xFFFFFFFFull * 2048);
}

}  // namespace
