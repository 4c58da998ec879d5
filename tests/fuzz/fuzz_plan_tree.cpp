// The input is a tree of names and sizes, as a pack's host list gives them:
// records of a step (0 a file here, 1 a folder entered, 2 back up), a size
// of up to 40 bits and a name. The planning must refuse or lay out every
// tree: sorted unique names, entries inside their sectors, file data after
// the tables in ascending order. tools/replay/run reads the kept inputs the
// same way, to pack them through every build: the two change together.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "writer/plan.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "planning broke its promise: %s\n", what);
  std::abort();
}

writer::Node ReadTree(const std::uint8_t* data, std::size_t size) {
  writer::Node root;
  root.isDirectory = true;
  std::vector<writer::Node*> path{&root};
  std::size_t at = 0;
  while (at + 7 <= size) {
    const std::uint8_t step = data[at] % 3;
    std::uint64_t bytes = 0;
    for (int i = 0; i < 5; ++i)
      bytes |= std::uint64_t{data[at + 1 + i]} << (8 * i);
    const std::size_t length = data[at + 6];
    at += 7;
    if (step == 2) {
      if (path.size() > 1) path.pop_back();
      continue;
    }
    writer::Node node;
    node.name.assign(reinterpret_cast<const char*>(data) + at,
                     std::min(length, size - at));
    at += node.name.size();
    node.isDirectory = step == 1;
    node.size = node.isDirectory ? 0 : bytes;
    path.back()->children.push_back(node);
    // Children are added only below the last folder: it stays in place.
    if (node.isDirectory) path.push_back(&path.back()->children.back());
  }
  return root;
}

// The console's search from the table's first entry reaches each entry, so
// names are unique and in its order; the depth bounds the tree's balance.
void CheckSearchTree(const writer::PlacedTable& table) {
  std::size_t depthLimit = 2;
  while ((std::size_t{1} << (depthLimit - 1)) <= table.entries.size())
    ++depthLimit;
  for (const writer::PlacedEntry& wanted : table.entries) {
    std::uint32_t offset = 0;
    std::size_t depth = 0;
    for (;;) {
      const writer::PlacedEntry* at = nullptr;
      for (const writer::PlacedEntry& entry : table.entries)
        if (entry.tableOffset == offset) at = &entry;
      Check(at != nullptr && ++depth <= depthLimit,
            "the search stays on entries of a balanced tree");
      const bool less = writer::NameLess(wanted.name, at->name);
      if (!less && !writer::NameLess(at->name, wanted.name)) {
        Check(at == &wanted, "names unique by the console's comparison");
        break;
      }
      const std::uint16_t next = less ? at->leftOffset : at->rightOffset;
      Check(next != 0, "every entry found by the search");
      offset = std::uint32_t{next} * 4;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const writer::Node root = ReadTree(data, size);
  writer::ImagePlan plan;
  std::string error;
  if (writer::PlanImage(root, writer::WriteOptions(), &plan, &error) !=
      writer::kWriteDone) {
    Check(!error.empty(), "a refusal says why");
    return 0;
  }
  std::uint64_t tablesEnd = writer::kVolumeDescriptorSector + 1;
  for (const writer::PlacedTable& table : plan.report.tables) {
    Check(table.startSector >= tablesEnd, "tables in order");
    tablesEnd = table.startSector + table.size / writer::kSectorSize;
    CheckSearchTree(table);
    for (const writer::PlacedEntry& entry : table.entries) {
      Check(entry.tableOffset % 4 == 0, "entries 4-byte aligned");
      const std::uint32_t end =
          entry.tableOffset + writer::EncodedEntrySize(
                                  static_cast<std::uint8_t>(entry.name.size()));
      Check((entry.tableOffset / writer::kSectorSize) ==
                ((end - 1) / writer::kSectorSize),
            "entries inside a sector");
    }
  }
  std::uint64_t next = tablesEnd;
  for (const writer::PlannedFile& file : plan.files) {
    Check(file.startSector >= next, "data after the tables, in order");
    next = file.startSector +
           (file.node->size + writer::kSectorSize - 1) / writer::kSectorSize;
  }
  return 0;
}
