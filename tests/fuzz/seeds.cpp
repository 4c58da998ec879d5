// Writes the seed corpora of the fuzz targets with the image writer: discs,
// from the volume descriptor on as fuzz_disc_image takes them, and their
// directory tables, with a few crafted ones, for fuzz_scan_table.
// Usage: fuzz_seeds TABLE_DIR DISC_DIR
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/imagewriter/imagewriter.h"

namespace {

namespace iw = imagewriter;

constexpr std::uint64_t kDiscSeedOffset =
    std::uint64_t{iw::kVolumeDescriptorSector} * iw::kSectorSize;

struct Corpus {
  std::string tableDir;
  std::string discDir;
  std::string scratch;  // where each image is written before it is cut
  bool ok = true;
};

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes,
                                std::uint64_t offset, std::uint64_t length) {
  if (offset >= bytes.size()) return {};
  const std::uint64_t end =
      std::min<std::uint64_t>(bytes.size(), offset + length);
  return std::vector<std::uint8_t>(bytes.begin() + offset, bytes.begin() + end);
}

void Save(Corpus& corpus, const std::string& path,
          const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    corpus.ok = false;
  }
}

void AddTable(Corpus& corpus, const std::string& name,
              const std::vector<std::uint8_t>& table) {
  Save(corpus, corpus.tableDir + "/" + name, table);
}

void AddDisc(Corpus& corpus, const std::string& name,
             const std::vector<std::uint8_t>& image) {
  Save(corpus, corpus.discDir + "/" + name,
       Slice(image, kDiscSeedOffset, image.size()));
}

// A plain image of the tree, as the file system's bytes from sector 0 on;
// empty when it cannot be written.
std::vector<std::uint8_t> PlainImage(Corpus& corpus, const std::string& name,
                                     const iw::TreeNode& tree,
                                     iw::LayoutReport* report) {
  iw::WriteOptions options;
  options.padToSector = false;
  std::string error;
  if (!iw::WriteImage(tree, corpus.scratch, options, report, &error)) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
    corpus.ok = false;
    return {};
  }
  return ReadFile(corpus.scratch);
}

void AddTree(Corpus& corpus, const std::string& name,
             const iw::TreeNode& tree) {
  iw::LayoutReport report;
  const std::vector<std::uint8_t> image =
      PlainImage(corpus, name, tree, &report);
  if (image.empty()) return;
  AddDisc(corpus, name, image);
  for (std::size_t i = 0; i < report.tables.size(); ++i) {
    const iw::PlacedTable& table = report.tables[i];
    AddTable(corpus, name + "-" + std::to_string(i),
             Slice(image, std::uint64_t{table.startSector} * iw::kSectorSize,
                   table.size));
  }
}

void AddRaw(Corpus& corpus, const std::string& name, const iw::RawImage& raw) {
  std::string error;
  if (!iw::SaveRawImage(raw, corpus.scratch, &error)) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
    corpus.ok = false;
    return;
  }
  AddDisc(corpus, name, ReadFile(corpus.scratch));
}

std::vector<iw::TreeNode> Fillers(const std::string& prefix, int count) {
  std::vector<iw::TreeNode> files;
  for (int i = 0; i < count; ++i) {
    files.push_back(iw::MakePatternFile(prefix + std::to_string(i), i % 3, i));
  }
  return files;
}

void AddTrees(Corpus& corpus) {
  using iw::MakeDirectory;
  using iw::MakePatternFile;
  AddTree(corpus, "basic",
          MakeDirectory(
              "", {MakeDirectory(
                       "dir", {MakeDirectory("sub", {MakePatternFile("deep.bin",
                                                                     3000, 1)}),
                               MakePatternFile("notes.txt", 12, 2)}),
                   MakePatternFile("readme.txt", 5, 3),
                   MakePatternFile("empty.bin", 0, 4)}));
  AddTree(corpus, "chunks",
          MakeDirectory("", {MakePatternFile("big.bin", 66000, 5),
                             MakePatternFile("small", 10, 6)}));
  AddTree(corpus, "names",
          MakeDirectory("", {MakePatternFile(std::string(255, 'n'), 7, 7),
                             MakePatternFile("a\\b", 3, 8),
                             MakeDirectory("x/y", {MakePatternFile(":", 1, 9)}),
                             MakePatternFile(std::string("ab\0cd", 5), 2, 10),
                             MakeDirectory("<", {MakeDirectory("E:")})}));
  AddTree(corpus, "wide", MakeDirectory("", Fillers("f", 150)));
}

// The file system of a whole disc, at the XGD3 base: the smallest of the
// bases, still some 34 MB of input, nearly all zeros.
void AddWholeDisc(Corpus& corpus) {
  iw::LayoutReport report;
  const std::vector<std::uint8_t> partition = PlainImage(
      corpus, "xgd3",
      iw::MakeDirectory(
          "", {iw::MakeDirectory("media",
                                 {iw::MakePatternFile("level.bin", 3000, 12)}),
               iw::MakePatternFile("default.xbe", 100, 13)}),
      &report);
  if (partition.empty()) return;
  const std::uint64_t base =
      iw::GeometryOf(iw::DiscLayout::kXgd3).partitionBase;
  std::vector<std::uint8_t> disc(base, 0);
  disc.insert(disc.end(), partition.begin(), partition.end());
  AddDisc(corpus, "xgd3", disc);
}

void AddCraftedDiscs(Corpus& corpus) {
  iw::RawImage cycle = iw::RawDiscWithRoot(
      {iw::MakeRawEntry("loop", iw::kAttrDirectory, 33, iw::kSectorSize),
       iw::MakeRawEntry("file", 0, 40, 100)});
  iw::PutBytes(&cycle, std::uint64_t{40} * iw::kSectorSize,
               iw::PatternBytes(11, 0, 100));
  AddRaw(corpus, "cycle", cycle);
  AddRaw(corpus, "empty", iw::RawDiscWithRoot({}));
  AddRaw(corpus, "past-the-end",
         iw::RawDiscWithRoot(
             {iw::MakeRawEntry("far.bin", 0, 0xFFFFFFF0u, 100),
              iw::MakeRawEntry("huge", iw::kAttrDirectory, 33, 0xFFFFFFFFu),
              iw::MakeRawEntry("long.bin", 0, 33, 0xFFFFFFFFu)}));
}

void AddCraftedTables(Corpus& corpus) {
  // 16-byte entries up to in-sector position 1776, then sector fill and an
  // entry in the next sector.
  std::vector<iw::RawEntry> entries(111, iw::MakeRawEntry("x", 0, 1, 1));
  entries.push_back(iw::MakeRawEntry(std::string(255, 'y'), 0, 2, 2));
  AddTable(corpus, "fill-jump", iw::LayoutTable(entries).bytes);
  std::vector<std::uint8_t> cut =
      iw::LayoutTable({iw::MakeRawEntry("kept", 0, 1, 1),
                       iw::MakeRawEntry(std::string(40, 'z'), 0, 1, 1)})
          .bytes;
  cut.resize(50);
  AddTable(corpus, "cut-name", cut);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TABLE_DIR DISC_DIR\n", argv[0]);
    return 2;
  }
  Corpus corpus{argv[1], argv[2],
                "/tmp/xdvdfs-seeds-" + std::to_string(getpid()) + ".iso"};
  AddTrees(corpus);
  AddWholeDisc(corpus);
  AddCraftedDiscs(corpus);
  AddCraftedTables(corpus);
  std::remove(corpus.scratch.c_str());
  return corpus.ok ? 0 : 1;
}
