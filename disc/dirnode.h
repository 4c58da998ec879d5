// In-memory records of the disc's directory tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr std::uint32_t kSectorSize = 2048;
constexpr std::uint8_t kDirectoryAttribute = 0x10;

inline std::uint64_t SectorToOffset(std::uint32_t sector) {
  return static_cast<std::uint64_t>(sector) * kSectorSize;
}

// Where a directory table or a file's data lies on the device.
struct Extent {
  std::uint32_t size = 0;
  std::uint32_t startSector = 0;
  std::uint64_t byteOffset = 0;
};

// One directory entry. A node owns its subtree by value: copying a node
// copies everything loaded below it.
struct DirNode {
  std::uint16_t leftOffset = 0;
  std::uint16_t rightOffset = 0;
  std::uint32_t startSector = 0;
  std::uint32_t size = 0;
  std::uint8_t attributes = 0;
  std::uint8_t nameLength = 0;
  std::string name;
  std::uint64_t byteOffset = 0;
  std::vector<DirNode> children;
  bool childrenLoaded = false;
};

inline bool IsDirectory(const DirNode& node) {
  return (node.attributes & kDirectoryAttribute) != 0;
}
