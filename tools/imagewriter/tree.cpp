// Tree nodes with generated contents, and the writer called with UTF-8
// paths.
#include <utility>

#include "tools/imagewriter/imagewriter.h"
#include "tools/imagewriter/structure.h"

namespace imagewriter {

namespace {

TreeNode MakeFile(std::string name, std::uint64_t size,
                  writer::SourceKind kind) {
  TreeNode node;
  node.name = std::move(name);
  node.size = size;
  node.source.kind = kind;
  return node;
}

// splitmix64 finaliser: cheap, and every bit of the input reaches the output.
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

void GeneratePattern(uint32_t seed, uint64_t offset, uint8_t* out,
                     size_t length) {
  const uint64_t seedKey = Mix(seed) << 1;
  uint64_t word = 0;
  for (size_t i = 0; i < length; ++i) {
    const uint64_t position = offset + i;
    if (i == 0 || position % 8 == 0) word = Mix(seedKey ^ (position / 8));
    out[i] = static_cast<uint8_t>(word >> (8 * (position % 8)));
  }
}

}  // namespace

TreeNode MakeDirectory(std::string name, std::vector<TreeNode> children) {
  TreeNode node;
  node.name = std::move(name);
  node.isDirectory = true;
  node.children = std::move(children);
  return node;
}

TreeNode MakeSourceFile(std::string name, std::string sourcePath,
                        std::uint64_t size) {
  TreeNode node =
      MakeFile(std::move(name), size, writer::SourceKind::kLocalFile);
  node.source.path.bytes = std::move(sourcePath);
  return node;
}

TreeNode MakePatternFile(std::string name, std::uint64_t size,
                         std::uint32_t seed) {
  TreeNode node =
      MakeFile(std::move(name), size, writer::SourceKind::kGenerated);
  node.source.generate = GeneratePattern;
  node.source.seed = seed;
  return node;
}

TreeNode MakeZeroFile(std::string name, std::uint64_t size) {
  return MakeFile(std::move(name), size, writer::SourceKind::kZeros);
}

std::vector<uint8_t> PatternBytes(uint32_t seed, uint64_t offset,
                                  size_t length) {
  std::vector<uint8_t> bytes(length);
  GeneratePattern(seed, offset, bytes.data(), length);
  return bytes;
}

bool WriteImage(const TreeNode& root, const std::string& imagePath,
                const WriteOptions& options, LayoutReport* report,
                std::string* error) {
  writer::LocalName target;
  target.bytes = imagePath;
  if (writer::WriteImage(root, target, options, report, error) !=
      writer::kWriteDone) {
    return false;
  }
  // Every image a test writes is held to the rules the console reads by.
  *error = CheckImageStructure(imagePath, report->partitionBase);
  return error->empty();
}

}  // namespace imagewriter
