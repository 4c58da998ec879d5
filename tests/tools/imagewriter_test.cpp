// Images written from tree models and real folders, decoded independently.
#include "tools/imagewriter/imagewriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/image_check.h"
#include "tools/imagewriter/command.h"

namespace {

using image_check::DecodeImage;
using image_check::Le;
using image_check::ReadBytes;
using image_check::ScratchFolder;
using image_check::Volume;
using namespace imagewriter;

constexpr uint32_t kTwoChunks = (2u << 20) + 3000;  // crosses copy chunks

std::vector<uint8_t> ImageBytesOf(const std::string& image,
                                  const PlacedEntry& entry) {
  return ReadBytes(image, uint64_t{entry.startSector} * kSectorSize,
                   entry.size);
}

class WrittenTreeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchFolder;
    const TreeNode root = MakeDirectory(
        "ignored",
        {MakePatternFile("Zeta.bin", 2049, 1), MakePatternFile("alpha", 1, 2),
         MakeZeroFile("empty.dat", 0), MakePatternFile("Beta", 2048, 3),
         MakeDirectory("sub", {MakePatternFile("big.bin", kTwoChunks, 4),
                               MakeDirectory("deeper", {MakePatternFile(
                                                           "leaf.txt", 5, 5)}),
                               MakeDirectory("void")}),
         MakePatternFile(std::string("nul\0byte", 8), 7, 6)});
    WriteOptions options;
    options.timestamp = 0x01D2030405060708ull;
    report_ = new LayoutReport;
    std::string error;
    ASSERT_TRUE(WriteImage(root, Image(), options, report_, &error)) << error;
    volume_ = new Volume(DecodeImage(Image()));
  }
  static void TearDownTestSuite() {
    delete volume_;
    delete report_;
    delete scratch_;
  }
  static std::string Image() { return scratch_->Path("tree.iso"); }

  static ScratchFolder* scratch_;
  static LayoutReport* report_;
  static Volume* volume_;
};

ScratchFolder* WrittenTreeTest::scratch_;
LayoutReport* WrittenTreeTest::report_;
Volume* WrittenTreeTest::volume_;

TEST_F(WrittenTreeTest, DescriptorPointsAtRootTableBetweenSignatures) {
  const std::vector<uint8_t>& d = volume_->descriptor;
  ASSERT_EQ(d.size(), kSectorSize);
  EXPECT_EQ(std::string(d.begin(), d.begin() + 20), kSignature);
  EXPECT_EQ(std::string(d.begin() + 2028, d.end()), kSignature);
  EXPECT_EQ(Le(d, 20, 4), report_->tables[0].startSector);
  EXPECT_EQ(Le(d, 24, 4), report_->tables[0].size);
  EXPECT_EQ(Le(d, 28, 4), 0x05060708u);
  EXPECT_EQ(Le(d, 32, 4), 0x01D20304u);
  EXPECT_EQ(ReadBytes(Image(), 0, 32 * kSectorSize),
            std::vector<uint8_t>(32 * kSectorSize, 0));
}

TEST_F(WrittenTreeTest, TablesHoldWhatTheReportSaysInScanOrder) {
  ASSERT_EQ(volume_->tables.size(), report_->tables.size());
  for (const PlacedTable& table : report_->tables) {
    SCOPED_TRACE("folder /" + table.path);
    const std::vector<image_check::Entry>& decoded =
        volume_->tables.at(table.path);
    ASSERT_EQ(decoded.size(), table.entries.size());
    EXPECT_EQ(table.size % kSectorSize, 0u);
    for (size_t i = 0; i < decoded.size(); ++i) {
      const PlacedEntry& placed = table.entries[i];
      EXPECT_EQ(decoded[i].name, placed.name);
      EXPECT_EQ(decoded[i].offset, placed.tableOffset);
      EXPECT_EQ(decoded[i].left, placed.leftOffset);
      EXPECT_EQ(decoded[i].right, placed.rightOffset);
      EXPECT_EQ(decoded[i].startSector, placed.startSector);
      EXPECT_EQ(decoded[i].size, placed.size);
      EXPECT_EQ(decoded[i].attributes, placed.attributes);
    }
    const int height = image_check::CheckSearchTree(decoded);
    EXPECT_LE(height, std::floor(std::log2(decoded.size() + 1)) + 1);
  }
}

TEST_F(WrittenTreeTest, EveryNodeIsOnDiscWithItsKindAndSize) {
  using KindAndSize = std::pair<uint8_t, uint32_t>;
  const std::map<std::string, KindAndSize> expected = {
      {"Zeta.bin", {0x20, 2049}},   {"alpha", {0x20, 1}},
      {"empty.dat", {0x20, 0}},     {"Beta", {0x20, 2048}},
      {"sub", {0x10, 2048}},        {"sub/big.bin", {0x20, kTwoChunks}},
      {"sub/deeper", {0x10, 2048}}, {"sub/deeper/leaf.txt", {0x20, 5}},
      {"sub/void", {0x10, 2048}},   {std::string("nul\0byte", 8), {0x20, 7}}};
  std::map<std::string, KindAndSize> actual;
  for (const auto& [path, entry] : volume_->entries) {
    actual[path] = {entry.attributes, entry.size};
  }
  EXPECT_EQ(actual, expected);
  EXPECT_TRUE(volume_->tables.at("sub/void").empty());
  EXPECT_EQ(report_->directoryCount, 3u);
  EXPECT_EQ(report_->fileCount, 7u);
}

TEST_F(WrittenTreeTest, FileDataStartsOnOwnSectorsWithoutOverlap) {
  std::vector<std::pair<uint32_t, const PlacedEntry*>> files;
  uint32_t tablesEnd = 0;
  for (const PlacedTable& table : report_->tables) {
    tablesEnd = std::max(tablesEnd, table.startSector + table.size / 2048);
    for (const PlacedEntry& entry : table.entries) {
      if (entry.childTable < 0) files.push_back({entry.startSector, &entry});
    }
  }
  std::sort(files.begin(), files.end());
  uint64_t nextFree = tablesEnd;
  for (const auto& [sector, entry] : files) {
    SCOPED_TRACE(entry->path);
    EXPECT_GE(sector, nextFree);
    nextFree = sector + (uint64_t{entry->size} + kSectorSize - 1) / kSectorSize;
  }
  const std::vector<std::pair<const char*, uint32_t>> seeds = {
      {"Zeta.bin", 1},
      {"alpha", 2},
      {"Beta", 3},
      {"sub/big.bin", 4},
      {"sub/deeper/leaf.txt", 5}};
  for (const auto& [path, seed] : seeds) {
    const PlacedEntry* entry = FindPlacedEntry(*report_, path);
    ASSERT_NE(entry, nullptr) << path;
    EXPECT_EQ(ImageBytesOf(Image(), *entry), PatternBytes(seed, 0, entry->size))
        << path;
  }
  EXPECT_EQ(std::filesystem::file_size(Image()), report_->imageSize);
  EXPECT_EQ(report_->imageSize, nextFree * kSectorSize);
}

TEST(WriteImageTest, LastEmptyFilePointsJustPastTheEndPaddedOrNot) {
  ScratchFolder scratch;
  const TreeNode root =
      MakeDirectory("", {MakePatternFile("data", 100, 9),
                         MakeDirectory("sub", {MakeZeroFile("empty", 0)})});
  for (bool pad : {true, false}) {
    SCOPED_TRACE(pad ? "padded" : "unpadded");
    WriteOptions options;
    options.padToSector = pad;
    LayoutReport report;
    std::string error;
    const std::string image = scratch.Path(pad ? "pad.iso" : "nopad.iso");
    ASSERT_TRUE(WriteImage(root, image, options, &report, &error)) << error;
    const PlacedEntry* data = FindPlacedEntry(report, "data");
    const PlacedEntry* empty = FindPlacedEntry(report, "sub/empty");
    ASSERT_TRUE(data && empty);
    EXPECT_EQ(empty->startSector, data->startSector + 1);
    const uint64_t dataEnd = uint64_t{data->startSector} * kSectorSize + 100;
    const uint64_t expected =
        pad ? uint64_t{empty->startSector} * kSectorSize : dataEnd;
    EXPECT_EQ(report.imageSize, expected);
    EXPECT_EQ(std::filesystem::file_size(image), expected);
    EXPECT_EQ(ImageBytesOf(image, *data), PatternBytes(9, 0, 100));
  }
}

TEST(WriteImageTest, ThreeThousandEntriesSpanManySectorsAsOneSearchTree) {
  ScratchFolder scratch;
  std::vector<TreeNode> many;
  for (int i = 0; i < 3000; ++i) {
    // Varied name lengths make entries meet the sector ends at many places.
    many.push_back(MakeZeroFile(
        (i % 2 ? "F" : "f") + std::to_string(i) + std::string(i % 41, 'x'), 0));
  }
  const TreeNode root = MakeDirectory("", {MakeDirectory("many", many)});
  LayoutReport report;
  std::string error;
  const std::string image = scratch.Path("many.iso");
  ASSERT_TRUE(WriteImage(root, image, WriteOptions(), &report, &error))
      << error;
  const Volume volume = DecodeImage(image);
  const std::vector<image_check::Entry>& table = volume.tables.at("many");
  ASSERT_EQ(table.size(), 3000u);
  EXPECT_GT(FindPlacedEntry(report, "many")->size, 20 * kSectorSize);
  EXPECT_LE(image_check::CheckSearchTree(table), 12);
}

TEST(WriteImageTest, SparseThreeGigabyteFileTakesNoDiskSpace) {
  ScratchFolder scratch;
  const TreeNode root = MakeDirectory(
      "", {MakeZeroFile("big", 3000000000u), MakePatternFile("tail", 10, 7)});
  LayoutReport report;
  std::string error;
  const std::string image = scratch.Path("big.iso");
  ASSERT_TRUE(WriteImage(root, image, WriteOptions(), &report, &error))
      << error;
  struct stat info;
  ASSERT_EQ(stat(image.c_str(), &info), 0);
  EXPECT_EQ(static_cast<uint64_t>(info.st_size), report.imageSize);
  EXPECT_GE(report.imageSize, 3000000000ull);
  EXPECT_LT(static_cast<uint64_t>(info.st_blocks) * 512, 1u << 20);
  const Volume volume = DecodeImage(image);
  EXPECT_EQ(volume.entries.at("big").size, 3000000000u);
  const PlacedEntry* tail = FindPlacedEntry(report, "tail");
  EXPECT_EQ(ImageBytesOf(image, *tail), PatternBytes(7, 0, 10));
}

// Names of one or two bytes, so every entry takes 16 bytes, no two alike.
TreeNode ManyDistinctNames(int count) {
  std::vector<TreeNode> files;
  for (int i = 0; i < count; ++i) {
    const std::string name =
        i < 128 * 128 ? std::string{static_cast<char>(0x80 + i / 128),
                                    static_cast<char>(0x80 + i % 128)}
                      : std::string(1, static_cast<char>('0' + i % 10));
    files.push_back(MakeZeroFile(name, 0));
  }
  return MakeDirectory("", files);
}

TEST(WriteImageTest, RejectsWhatTheFormatCannotHoldAndLeavesNoImage) {
  ScratchFolder scratch;
  const std::string image = scratch.Path("bad.iso");
  // With 16385 entries of 16 bytes the last one lies past what a 16-bit
  // count of 4-byte units reaches.
  const std::vector<std::pair<TreeNode, std::string>> cases = {
      {MakeZeroFile("file", 1), "root"},
      {MakeDirectory("", {MakeZeroFile(std::string(256, 'n'), 1)}), "255"},
      {ManyDistinctNames(16385), "too many"},
      {MakeDirectory("", {MakeSourceFile("gone", scratch.Path("gone"), 4)}),
       "cannot read"},
  };
  for (const auto& [root, message] : cases) {
    LayoutReport report;
    std::string error;
    EXPECT_FALSE(WriteImage(root, image, WriteOptions(), &report, &error));
    EXPECT_NE(error.find(message), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(image)) << message;
  }
}

TEST(MkxdvdfsTest, MkxdvdfsWritesARealFolderSortedCaseInsensitively) {
  ScratchFolder scratch;
  scratch.WriteFile("src/b.txt", "bee");
  scratch.WriteFile("src/A.txt", "ay");
  scratch.WriteFile("src/c/Nested.TXT", std::string(5000, 'q'));
  scratch.WriteFile("src/c/empty", "");
  std::filesystem::create_directory(scratch.Path("src/d"));

  TreeNode root;
  std::string error;
  ASSERT_TRUE(ReadFolderTree(scratch.Path("src"), &root, &error)) << error;
  ASSERT_EQ(root.children.size(), 4u);
  EXPECT_EQ(root.children[0].name, "A.txt");
  EXPECT_EQ(root.children[1].name, "b.txt");
  EXPECT_TRUE(root.children[2].isDirectory);
  EXPECT_EQ(root.children[2].children[1].size, 5000u);

  std::ostringstream out, err;
  const std::string image = scratch.Path("out.iso");
  ASSERT_EQ(RunMkxdvdfs({scratch.Path("src"), image}, out, err), 0)
      << err.str();
  const uint64_t size = std::filesystem::file_size(image);
  EXPECT_EQ(out.str(), image +
                           ": 6 entries (2 folders, 4 files), 5005 bytes "
                           "of file data, image " +
                           std::to_string(size) + " bytes\n");
  const Volume volume = DecodeImage(image);
  EXPECT_EQ(volume.entries.size(), 6u);
  EXPECT_EQ(volume.tables.at("d").size(), 0u);
  const image_check::Entry& nested = volume.entries.at("c/Nested.TXT");
  EXPECT_EQ(ReadBytes(image, uint64_t{nested.startSector} * kSectorSize, 5000),
            std::vector<uint8_t>(5000, 'q'));
  const image_check::Entry& bee = volume.entries.at("b.txt");
  EXPECT_EQ(ReadBytes(image, uint64_t{bee.startSector} * kSectorSize, 3),
            (std::vector<uint8_t>{'b', 'e', 'e'}));
}

TEST(MkxdvdfsTest, MkxdvdfsExplainsWrongUse) {
  ScratchFolder scratch;
  std::ostringstream out, err;
  const std::string usage =
      "usage: mkxdvdfs [--layout plain|xgd1|xgd2|xgd3] [--place "
      "FILE=SECTOR]... SOURCE_FOLDER IMAGE_FILE\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{scratch.Path("x")},
        {"--layout", "xgd4", scratch.Path("x"), scratch.Path("o.iso")},
        {"--place", "a=4294967296", scratch.Path("x"), scratch.Path("o.iso")},
        {"--place", "=1", scratch.Path("x"), scratch.Path("o.iso")},
        {"--place", "a=", scratch.Path("x"), scratch.Path("o.iso")},
        {scratch.Path("x"), scratch.Path("o.iso"), "--layout"}}) {
    EXPECT_EQ(RunMkxdvdfs(args, out, err), 2);
    EXPECT_EQ(err.str(), usage);
    err.str("");
  }
  EXPECT_EQ(
      RunMkxdvdfs({scratch.Path("none"), scratch.Path("o.iso")}, out, err), 1);
  EXPECT_EQ(err.str(),
            "mkxdvdfs: not a folder: " + scratch.Path("none") + "\n");
  EXPECT_EQ(out.str(), "");
}

}  // namespace
