// Raw crafting: entry encoding, table layout, volume descriptor, raw images.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/tools/image_check.h"
#include "tools/imagewriter/imagewriter.h"

namespace {

using image_check::Le;
using image_check::ReadBytes;
using image_check::ScratchFolder;
using namespace imagewriter;

TEST(EncodeEntryTest, FieldsAreLittleEndianAndSizeRoundsUpToFour) {
  RawEntry entry = MakeRawEntry("abc", 0x21, 0x01020304, 0xA0B0C0D0);
  entry.leftOffset = 0x1122;
  entry.rightOffset = 0x3344;
  const std::vector<uint8_t> bytes = EncodeEntry(entry);
  ASSERT_EQ(bytes.size(), 20u);
  EXPECT_EQ(Le(bytes, 0, 2), 0x1122u);
  EXPECT_EQ(Le(bytes, 2, 2), 0x3344u);
  EXPECT_EQ(Le(bytes, 4, 4), 0x01020304u);
  EXPECT_EQ(Le(bytes, 8, 4), 0xA0B0C0D0u);
  EXPECT_EQ(bytes[12], 0x21);
  EXPECT_EQ(bytes[13], 3);
  EXPECT_EQ(std::string(bytes.begin() + 14, bytes.begin() + 17), "abc");
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 17, bytes.end()),
            std::vector<uint8_t>(3, 0));

  const std::vector<std::pair<int, uint32_t>> sizes = {
      {0, 16}, {1, 16}, {2, 16}, {3, 20}, {6, 20}, {7, 24}, {255, 272}};
  for (const auto& [nameLength, size] : sizes) {
    EXPECT_EQ(EncodedEntrySize(static_cast<uint8_t>(nameLength)), size);
  }
}

TEST(EncodeEntryTest, NameLengthRulesOverTheNameBytes) {
  RawEntry longer = MakeRawEntry(std::string("a\0b", 3), 0x20, 1, 2);
  longer.nameLength = 10;
  std::vector<uint8_t> bytes = EncodeEntry(longer);
  ASSERT_EQ(bytes.size(), 24u);
  EXPECT_EQ(bytes[13], 10);
  EXPECT_EQ(std::string(bytes.begin() + 14, bytes.end()),
            std::string("a\0b", 3) + std::string(7, '\0'));

  RawEntry shorter = MakeRawEntry("abcdefgh", 0x20, 1, 2);
  shorter.nameLength = 1;
  bytes = EncodeEntry(shorter);
  ASSERT_EQ(bytes.size(), 16u);
  EXPECT_EQ(bytes[13], 1);
  EXPECT_EQ(bytes[14], 'a');
  EXPECT_EQ(bytes[15], 0);
}

std::vector<RawEntry> EntriesOfNameLengths(const std::vector<int>& lengths) {
  std::vector<RawEntry> entries;
  for (int length : lengths) {
    entries.push_back(MakeRawEntry(std::string(length, 'n'), 0x20, 7, 9));
  }
  return entries;
}

TEST(LayoutTableTest, EntryThatDoesNotFitStartsTheNextSectorAfterFill) {
  // 111 entries of 16 bytes end at 1776, a 20-byte one at 1796; a 255-byte
  // name (272 bytes) no longer fits there.
  std::vector<int> lengths(111, 2);
  lengths.push_back(3);
  lengths.push_back(255);
  lengths.push_back(0);
  const TableLayout layout = LayoutTable(EntriesOfNameLengths(lengths));
  ASSERT_EQ(layout.bytes.size(), 2u * kSectorSize);
  EXPECT_EQ(layout.entryOffsets[110], 1760u);
  EXPECT_EQ(layout.entryOffsets[111], 1776u);
  EXPECT_EQ(layout.entryOffsets[112], 2048u);
  EXPECT_EQ(layout.entryOffsets[113], 2048u + 272);
  for (uint32_t i = 1796; i < 2048; ++i) ASSERT_EQ(layout.bytes[i], 0xFF);
  for (uint32_t i = 2048 + 288; i < 4096; ++i) ASSERT_EQ(layout.bytes[i], 0xFF);
  EXPECT_EQ(layout.bytes[2048 + 13], 255);
  EXPECT_EQ(image_check::DecodeTable(layout.bytes).size(), lengths.size());
}

TEST(LayoutTableTest, ExactlyFullSectorNeedsNoFillAndNoExtraSector) {
  const TableLayout full =
      LayoutTable(EntriesOfNameLengths(std::vector<int>(128, 1)));
  EXPECT_EQ(full.bytes.size(), kSectorSize);
  EXPECT_EQ(full.entryOffsets.back(), 2032u);
  EXPECT_NE(full.bytes[2047], 0xFF);

  const TableLayout empty = LayoutTable({});
  EXPECT_EQ(empty.bytes, std::vector<uint8_t>(kSectorSize, 0xFF));
  EXPECT_TRUE(empty.entryOffsets.empty());
}

TEST(EncodeVolumeDescriptorTest, SignatureCanBeLeftOut) {
  const std::vector<uint8_t> d =
      EncodeVolumeDescriptor(33, 4096, 0x0102030405060708ull, false);
  ASSERT_EQ(d.size(), kSectorSize);
  EXPECT_EQ(Le(d, 20, 4), 33u);
  EXPECT_EQ(Le(d, 24, 4), 4096u);
  EXPECT_EQ(Le(d, 28, 4), 0x05060708u);
  EXPECT_EQ(Le(d, 32, 4), 0x01020304u);
  std::vector<uint8_t> rest = d;
  std::fill(rest.begin() + 20, rest.begin() + 36, 0);
  EXPECT_EQ(rest, std::vector<uint8_t>(kSectorSize, 0));
}

TEST(RawImageTest, PiecesLandInOrderOverZerosAndHugeImagesStaySparse) {
  ScratchFolder scratch;
  const std::string path = scratch.Path("raw.img");
  RawImage image;
  PutVolumeDescriptor(&image, 40, 2048, false);
  PutBytes(&image, 40 * kSectorSize, {1, 2, 3, 4});
  PutBytes(&image, 40 * kSectorSize + 2, {9});
  std::string error;
  ASSERT_TRUE(SaveRawImage(image, path, &error)) << error;
  EXPECT_EQ(std::filesystem::file_size(path), 40u * kSectorSize + 4);
  EXPECT_EQ(ReadBytes(path, 40 * kSectorSize - 2, 6),
            (std::vector<uint8_t>{0, 0, 1, 2, 9, 4}));
  EXPECT_EQ(Le(ReadBytes(path, 32 * kSectorSize, 28), 20, 4), 40u);

  image.size = 5000000000ull;
  ASSERT_TRUE(SaveRawImage(image, path, &error)) << error;
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(static_cast<uint64_t>(info.st_size), 5000000000ull);
  EXPECT_LT(static_cast<uint64_t>(info.st_blocks) * 512, 1u << 20);

  EXPECT_FALSE(SaveRawImage(image, scratch.Path("missing/raw.img"), &error));
  EXPECT_NE(error.find("missing/raw.img"), std::string::npos) << error;
}

}  // namespace
