// Where every table and file of a tree goes, before a byte is written: names
// and sizes only.
#pragma once

#include <string>
#include <vector>

#include "writer/encode.h"
#include "writer/writer.h"

namespace writer {

struct PlannedFile {
  const Node* node = nullptr;
  std::uint32_t startSector = 0;
};

struct ImagePlan {
  LayoutReport report;
  std::vector<PlannedFile> files;  // in ascending sector order
};

// Sector 32 holds the volume descriptor, the tables follow from sector 33
// in depth-first order, then the file data in the same walk's order.
// kWriteDone, or kWriteBadTree with error naming the entry.
int PlanImage(const Node& root, const WriteOptions& options, ImagePlan* plan,
              std::string* error);

// The table bytes of a planned folder's entries, as they go on disc.
TableLayout LayoutEntries(const std::vector<PlacedEntry>& entries);

}  // namespace writer
