// The input is one whole directory table. It is copied into a heap block of
// exactly its size, so that the sanitizer catches any read past its end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "disc/format.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "scan broke its promise: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size > UINT32_MAX) return 0;
  std::unique_ptr<std::uint8_t[]> table(new std::uint8_t[size]);
  std::memcpy(table.get(), data, size);
  std::vector<DirNode> nodes;
  vepo_scandirtable(table.get(), static_cast<std::uint32_t>(size), nodes);

  // Every entry but a last one cut short takes at least 16 bytes.
  Check(nodes.size() * 16 <= size + 2, "more entries than the table holds");
  for (const DirNode& node : nodes) {
    Check(node.name.size() <= node.nameLength, "name longer than its length");
    Check(node.name.find('\0') == std::string::npos, "zero byte in a name");
    Check(node.byteOffset == SectorToOffset(node.startSector),
          "byte offset disagrees with the sector");
    Check(node.children.empty() && !node.childrenLoaded,
          "scanned node already loaded");
  }
  return 0;
}
