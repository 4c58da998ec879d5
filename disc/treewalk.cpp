#include "disc/treewalk.h"

#include <utility>

#include "disc/format.h"
#include "path/safename.h"

namespace {

// Reads the table of the folder handed out last and makes it the walk's
// innermost frame. A folder with an empty table or one already entered
// gets no frame.
int EnterCurrent(TreeWalk& walk) {
  const DirNode* folder = walk.current;
  walk.current = nullptr;
  if (!folder || !IsDirectory(*folder) || folder->size == 0) return kWalkNext;
  if (!walk.tablesEntered.insert(folder->startSector).second) return kWalkNext;
  Extent extent;
  vepo_nodeextent(*folder, &extent);
  WalkFrame frame;
  frame.pathLength = walk.path.size() + 1;
  if (vepo_readdirtable(walk.device, extent, frame.entries) != 0) {
    return kWalkTableFailed;
  }
  walk.frames.push_back(std::move(frame));
  return kWalkNext;
}

}  // namespace

void vepo_startwalk(TreeWalk& walk, const Device& device, DirNode&& root,
                    char separator) {
  walk = TreeWalk();
  walk.device = device;
  walk.separator = separator;
  walk.tablesEntered.insert(root.startSector);
  walk.frames.emplace_back();
  walk.frames.back().entries = std::move(root.children);
}

int vepo_walknext(TreeWalk& walk) {
  if (EnterCurrent(walk) != kWalkNext) return kWalkTableFailed;
  while (!walk.frames.empty()) {
    WalkFrame& frame = walk.frames.back();
    if (frame.next == frame.entries.size()) {
      walk.frames.pop_back();
      continue;
    }
    const DirNode& entry = frame.entries[frame.next++];
    if (!IsSafeName(entry.name) ||
        frame.pathLength + entry.name.size() > kMaxWalkPath) {
      continue;
    }
    walk.path.resize(frame.pathLength == 0 ? 0 : frame.pathLength - 1);
    if (frame.pathLength != 0) walk.path += walk.separator;
    walk.path += entry.name;
    walk.current = &entry;
    return kWalkNext;
  }
  walk.path.clear();
  return kWalkEnd;
}
