// Whole-disc images: the video partition, the file system at the base and a
// disc-long sparse file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/image_check.h"
#include "tools/imagewriter/command.h"
#include "tools/imagewriter/imagewriter.h"

namespace {

using image_check::Le;
using image_check::ReadBytes;
using image_check::ScratchFolder;
using namespace imagewriter;

constexpr uint64_t kFourGiB = uint64_t{1} << 32;

std::vector<uint8_t> Text(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

uint64_t DiskBytes(const std::string& path) {
  struct stat info;
  EXPECT_EQ(stat(path.c_str(), &info), 0);
  return static_cast<uint64_t>(info.st_blocks) * 512;
}

TEST(WholeDiscTest, EachLayoutPutsTheFileSystemAtItsBaseBehindAVideoPartition) {
  ScratchFolder scratch;
  TreeNode far = MakePatternFile("far.bin", 5000, 2);
  // Past 4 GiB of the device even on the disc with the smallest base.
  far.earliestSector = static_cast<uint32_t>(kFourGiB / kSectorSize);
  const TreeNode root =
      MakeDirectory("", {MakePatternFile("near.bin", 3000, 1), far});
  const struct {
    DiscLayout layout;
    uint64_t base;
    uint64_t size;
  } cases[] = {{DiscLayout::kXgd1, 0x18300000, 7825162240},
               {DiscLayout::kXgd2, 0xFD90000, 7835492352},
               {DiscLayout::kXgd3, 0x2080000, 8738846720}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    const std::string image = scratch.Path("disc.iso");
    WriteOptions options;
    options.layout = c.layout;
    LayoutReport report;
    std::string error;
    ASSERT_TRUE(WriteImage(root, image, options, &report, &error)) << error;
    EXPECT_EQ(report.partitionBase, c.base);
    EXPECT_EQ(report.imageSize, c.size);
    EXPECT_EQ(std::filesystem::file_size(image), c.size);
    EXPECT_LT(DiskBytes(image), uint64_t{1} << 20);

    const std::vector<uint8_t> video = ReadBytes(image, 16 * kSectorSize, 2048);
    EXPECT_EQ(video[0], 1);
    EXPECT_EQ(std::vector<uint8_t>(video.begin() + 1, video.begin() + 6),
              Text("CD001"));
    EXPECT_EQ(Le(video, 80, 4), c.base / kSectorSize);  // volume space size
    EXPECT_EQ(ReadBytes(image, 17 * kSectorSize, 1)[0], 255);  // terminator

    const std::vector<uint8_t> descriptor =
        ReadBytes(image, c.base + 32 * kSectorSize, kSectorSize);
    EXPECT_EQ(std::vector<uint8_t>(descriptor.begin(), descriptor.begin() + 20),
              Text(kSignature));
    EXPECT_EQ(std::vector<uint8_t>(descriptor.begin() + 2028, descriptor.end()),
              Text(kSignature));
    EXPECT_EQ(ReadBytes(image, 32 * kSectorSize, 20),
              std::vector<uint8_t>(20, 0));

    for (const TreeNode& file : root.children) {
      const PlacedEntry* entry = FindPlacedEntry(report, file.name);
      EXPECT_EQ(ReadBytes(image, c.base + uint64_t{entry->startSector} * 2048,
                          file.size),
                PatternBytes(file.source.seed, 0, file.size));
    }
    EXPECT_EQ(FindPlacedEntry(report, "far.bin")->startSector,
              far.earliestSector);
  }
}

TEST(WholeDiscTest, VideoOnlyDiscHasNothingAtAnyBase) {
  ScratchFolder scratch;
  std::string error;
  const std::string image = scratch.Path("video.iso");
  ASSERT_TRUE(SaveRawImage(VideoOnlyDisc(DiscLayout::kXgd1), image, &error));
  EXPECT_EQ(std::filesystem::file_size(image), 7825162240u);
  EXPECT_EQ(ReadBytes(image, 16 * kSectorSize + 1, 5), Text("CD001"));
  for (uint64_t base : {0x0ull, 0x18300000ull, 0xFD90000ull, 0x2080000ull}) {
    EXPECT_EQ(ReadBytes(image, base + 32 * kSectorSize, 20),
              std::vector<uint8_t>(20, 0));
  }
}

TEST(WholeDiscTest, MkxdvdfsWritesLayoutsAndRefusesWhatDoesNotFit) {
  ScratchFolder scratch;
  scratch.WriteFile("src/a.txt", "ay");
  const std::string image = scratch.Path("xgd3.iso");
  std::ostringstream out, err;
  scratch.WriteFile("src/far/b.txt", "bee");
  ASSERT_EQ(RunMkxdvdfs({"--layout", "xgd3", "--place", "far/b.txt=3000000",
                         scratch.Path("src"), image},
                        out, err),
            0)
      << err.str();
  EXPECT_NE(out.str().find("image 8738846720 bytes, file system at byte " +
                           std::to_string(0x2080000)),
            std::string::npos)
      << out.str();
  EXPECT_EQ(ReadBytes(image, 0x2080000 + uint64_t{3000000} * kSectorSize, 3),
            Text("bee"));
  for (const char* missing : {"far=5", "far/c.txt=5", "a.txt/x=5"}) {
    EXPECT_EQ(
        RunMkxdvdfs({"--place", missing, scratch.Path("src"), image}, out, err),
        1);
  }
  EXPECT_NE(err.str().find("no such file to place: far\n"), std::string::npos)
      << err.str();

  TreeNode beyond = MakeZeroFile("beyond", 1);
  beyond.earliestSector = 0xFFFFFFF0u;
  WriteOptions options;
  options.layout = DiscLayout::kXgd1;
  LayoutReport report;
  std::string error;
  EXPECT_FALSE(
      WriteImage(MakeDirectory("", {beyond}), image, options, &report, &error));
  EXPECT_NE(error.find("does not fit"), std::string::npos) << error;
  // The image written before stays as it was, with nothing beside it.
  EXPECT_EQ(ReadBytes(image, 0x2080000 + uint64_t{3000000} * kSectorSize, 3),
            Text("bee"));
  EXPECT_FALSE(std::filesystem::exists(image + ".partial"));
}

}  // namespace
