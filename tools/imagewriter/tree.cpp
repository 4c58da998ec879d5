// Tree model: node constructors, pattern contents and the name order.
#include <algorithm>
#include <utility>

#include "tools/imagewriter/imagewriter.h"

namespace imagewriter {

namespace {

TreeNode MakeFile(std::string name, uint32_t size, ContentKind content) {
  TreeNode node;
  node.name = std::move(name);
  node.size = size;
  node.content = content;
  return node;
}

// splitmix64 finaliser: cheap, and every bit of the input reaches the output.
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

uint8_t UpperAscii(uint8_t c) {
  return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 'a' + 'A') : c;
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
                        uint32_t size) {
  TreeNode node = MakeFile(std::move(name), size, ContentKind::kSourceFile);
  node.sourcePath = std::move(sourcePath);
  return node;
}

TreeNode MakePatternFile(std::string name, uint32_t size, uint32_t seed) {
  TreeNode node = MakeFile(std::move(name), size, ContentKind::kPattern);
  node.patternSeed = seed;
  return node;
}

TreeNode MakeZeroFile(std::string name, uint32_t size) {
  return MakeFile(std::move(name), size, ContentKind::kZeros);
}

std::vector<uint8_t> PatternBytes(uint32_t seed, uint64_t offset,
                                  size_t length) {
  std::vector<uint8_t> bytes(length);
  const uint64_t seedKey = Mix(seed) << 1;
  uint64_t word = 0;
  for (size_t i = 0; i < length; ++i) {
    const uint64_t position = offset + i;
    if (i == 0 || position % 8 == 0) word = Mix(seedKey ^ (position / 8));
    bytes[i] = static_cast<uint8_t>(word >> (8 * (position % 8)));
  }
  return bytes;
}

bool NameLess(const std::string& a, const std::string& b) {
  const auto upperLess = [](char x, char y) {
    return UpperAscii(static_cast<uint8_t>(x)) <
           UpperAscii(static_cast<uint8_t>(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                   upperLess)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                   upperLess)) {
    return false;
  }
  return a < b;
}

}  // namespace imagewriter
