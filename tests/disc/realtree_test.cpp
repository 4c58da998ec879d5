// A disc written from a real folder tree, read back through the whole disc
// reader: every folder walked, every file streamed.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "disc/format.h"
#include "disc/tree.h"
#include "platform/native/testapi.h"
#include "tests/support/testdisc.h"

namespace {

namespace fs = std::filesystem;

std::string Pattern(std::size_t size, std::uint32_t seed) {
  const auto bytes = imagewriter::PatternBytes(seed, 0, size);
  return std::string(bytes.begin(), bytes.end());
}

void MakeSourceTree(const fs::path& top) {
  fs::create_directories(top / "media" / "nested" / "deeper");
  fs::create_directories(top / "empty folder");
  fs::create_directories(top / "many");
  WriteWholeFile((top / "zero.bin").string(), "");
  WriteWholeFile((top / "media" / "exact64k.bin").string(), Pattern(65536, 1));
  WriteWholeFile((top / "media" / "nested" / "file 150000.dat").string(),
                 Pattern(150000, 2));
  WriteWholeFile((top / "media" / "nested" / "deeper" / "one.mib").string(),
                 Pattern(1 << 20, 3));
  for (int i = 0; i < 3000; ++i) {
    WriteWholeFile(
        (top / "many" / ("entry_" + std::to_string(i) + ".txt")).string(),
        "entry " + std::to_string(i));
  }
}

int AppendTo(void* userData, const ExtractChunk* chunk) {
  static_cast<std::string*>(userData)->append(
      reinterpret_cast<const char*>(chunk->data), chunk->length);
  return 0;
}

class RealTree : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    MakeSourceTree(source_);
    imagewriter::TreeNode tree;
    std::string error;
    ASSERT_TRUE(imagewriter::ReadFolderTree(source_.string(), &tree, &error))
        << error;
    report_ = InsertTree(dir_, tree);
    device_ = OpenE();
    ASSERT_EQ(vepo_mount(device_, root_), 0);
  }
  void TearDown() override { vepo_closedevice(device_); }

  // Compares the disc folder at discPath with the source folder, recursing.
  void CompareFolder(const std::string& discPath, const fs::path& folder) {
    DirNode node;
    ASSERT_EQ(vepo_getupdatedirsubtree(device_, root_, discPath.c_str(), 0,
                                       &node, nullptr),
              kWalkFound)
        << discPath;
    std::size_t sourceEntries = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
      (void)entry;
      ++sourceEntries;
    }
    ASSERT_EQ(node.children.size(), sourceEntries) << discPath;
    for (const DirNode& child : node.children) {
      const fs::path source = folder / child.name;
      const std::string childPath =
          discPath.empty() ? child.name : discPath + "\\" + child.name;
      ASSERT_EQ(IsDirectory(child), fs::is_directory(source)) << childPath;
      if (IsDirectory(child)) {
        CompareFolder(childPath, source);
      } else {
        std::string bytes;
        const ExtractRequest request{
            static_cast<std::int64_t>(SectorToOffset(child.startSector)),
            child.size, 32, AppendTo, &bytes};
        ASSERT_EQ(vepo_extractdata(device_, &request), 0) << childPath;
        ASSERT_EQ(bytes, ReadWholeFile(source.string())) << childPath;
        ++filesCompared_;
      }
    }
  }

  TempDir dir_;
  fs::path source_ = fs::path(dir_.path()) / "source";
  imagewriter::LayoutReport report_;
  Device device_;
  DirNode root_;
  int filesCompared_ = 0;
};

TEST_F(RealTree, EveryFolderAndFileMatchesTheSource) {
  nativewin::ResetStats();
  CompareFolder("", source_);
  EXPECT_EQ(filesCompared_, 3004);
  EXPECT_EQ(nativewin::GetStats().misalignedReads, 0);
}

TEST_F(RealTree, EachTableIsReadOnceAndTheDescriptorOncePerMount) {
  nativewin::ResetStats();
  const char* folders[] = {"media", "media\\nested", "media\\nested\\deeper",
                           "empty folder", "many"};
  for (int pass = 0; pass < 3; ++pass) {
    for (const char* folder : folders) {
      ASSERT_EQ(
          vepo_getupdatedirsubtree(device_, root_, folder, 0, nullptr, nullptr),
          kWalkFound);
    }
  }
  // Every read is a new one, and together they are exactly one 32 KiB
  // stream per folder table below the root, which the mount read.
  std::set<std::uint64_t> offsets;
  for (const auto& read : nativewin::GetStats().reads) {
    EXPECT_TRUE(offsets.insert(read.offset).second) << read.offset;
    EXPECT_NE(read.offset, 0x10000u);
  }
  std::size_t expectedReads = 0;
  for (std::size_t i = 1; i < report_.tables.size(); ++i) {
    expectedReads += (report_.tables[i].size + 32767) / 32768;
  }
  EXPECT_EQ(report_.tables.size(), 6u);
  EXPECT_EQ(offsets.size(), expectedReads);
}

}  // namespace
