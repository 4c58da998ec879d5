// Where every table and file of a tree goes, before anything is written.
#ifndef TOOLS_IMAGEWRITER_LAYOUT_H_
#define TOOLS_IMAGEWRITER_LAYOUT_H_

#include <string>
#include <vector>

#include "tools/imagewriter/imagewriter.h"

namespace imagewriter {

struct PlannedFile {
  const TreeNode* node = nullptr;
  uint32_t startSector = 0;
};

struct ImagePlan {
  LayoutReport report;
  std::vector<PlannedFile> files;  // in ascending sector order
};

// Sector 32 holds the volume descriptor, the tables follow from sector 33
// in depth-first order, then the file data.
bool PlanImage(const TreeNode& root, const WriteOptions& options,
               ImagePlan* plan, std::string* error);

// The table bytes of a planned folder's entries, as they go on disc.
TableLayout LayoutEntries(const std::vector<PlacedEntry>& entries);

}  // namespace imagewriter

#endif  // TOOLS_IMAGEWRITER_LAYOUT_H_
