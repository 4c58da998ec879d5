// Lays out a tree: balanced search tree per table, then sector assignment.
#include "writer/plan.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace writer {

namespace {

constexpr uint32_t kFirstTableSector = kVolumeDescriptorSector + 1;
// Subtree offsets are 16-bit counts of 4-byte units.
constexpr uint32_t kMaxEntryOffset = 0xFFFFu * 4;

// One entry of a table's search tree; left and right index other slots.
struct TreeSlot {
  size_t child = 0;
  int left = -1;
  int right = -1;
};

// Appends the balanced tree over sorted[lo, hi) in pre-order, so its root
// comes first: offset 0 means "no subtree", so nothing could point at an
// entry there. Returns the root's slot, -1 for an empty range.
int AppendPreorder(const std::vector<size_t>& sorted, size_t lo, size_t hi,
                   std::vector<TreeSlot>* slots) {
  if (lo >= hi) return -1;
  const size_t mid = lo + (hi - lo) / 2;
  const int self = static_cast<int>(slots->size());
  slots->push_back({sorted[mid]});
  const int left = AppendPreorder(sorted, lo, mid, slots);
  const int right = AppendPreorder(sorted, mid + 1, hi, slots);
  (*slots)[self].left = left;
  (*slots)[self].right = right;
  return self;
}

// The children in the console's order; the index of the first child whose
// name equals its predecessor's, or the count when all differ.
std::vector<size_t> SortedChildren(const std::vector<Node>& children,
                                   size_t* duplicate) {
  std::vector<size_t> sorted(children.size());
  std::iota(sorted.begin(), sorted.end(), 0);
  std::sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) {
    return NameLess(children[a].name, children[b].name);
  });
  *duplicate = children.size();
  for (size_t i = 1; i < sorted.size(); ++i) {
    if (!NameLess(children[sorted[i - 1]].name, children[sorted[i]].name)) {
      *duplicate = sorted[i];
      break;
    }
  }
  return sorted;
}

std::string JoinPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

uint16_t SlotOffset(const std::vector<uint32_t>& offsets, int slot) {
  return slot < 0 ? 0 : static_cast<uint16_t>(offsets[slot] / 4);
}

// A file entry waiting for its sector: its node and where its entry sits.
struct FileRef {
  const Node* node;
  int table;
  size_t entry;
};

struct Planning {
  ImagePlan* plan;
  std::vector<FileRef> files;  // in the order their data will be written
  std::string* error;
};

bool Fail(Planning* planning, const std::string& message) {
  *planning->error = message;
  return false;
}

// What the format cannot hold: names of 1 to 255 bytes, files under 4 GiB.
bool CheckChild(Planning* planning, const Node& child,
                const std::string& path) {
  const std::string where = "/" + JoinPath(path, child.name);
  if (child.name.empty()) {
    return Fail(planning, "an empty name in folder /" + path);
  }
  if (child.name.size() > kMaxNameBytes) {
    return Fail(planning, "name longer than 255 bytes: " + where);
  }
  if (!child.isDirectory && child.size > std::numeric_limits<uint32_t>::max()) {
    return Fail(planning, "file of 4 GiB or more: " + where);
  }
  return true;
}

PlacedEntry MakePlacedEntry(const Node& child, const std::string& path) {
  PlacedEntry entry;
  entry.name = child.name;
  entry.path = JoinPath(path, child.name);
  entry.attributes = child.isDirectory ? kAttrDirectory : kAttrArchive;
  entry.size = child.isDirectory ? 0 : static_cast<uint32_t>(child.size);
  return entry;
}

// Adds the table of a folder and, after it, those of its subfolders, with
// their entries' places within the tables.
bool AddTable(Planning* planning, const Node& folder, const std::string& path) {
  std::vector<PlacedTable>& tables = planning->plan->report.tables;
  const int index = static_cast<int>(tables.size());
  tables.emplace_back();
  tables.back().path = path;
  size_t duplicate = 0;
  const std::vector<size_t> sorted =
      SortedChildren(folder.children, &duplicate);
  if (duplicate < folder.children.size()) {
    return Fail(planning, "two entries named " +
                              folder.children[duplicate].name + " in folder /" +
                              path);
  }
  std::vector<TreeSlot> slots;
  AppendPreorder(sorted, 0, sorted.size(), &slots);
  std::vector<PlacedEntry> entries;
  for (const TreeSlot& slot : slots) {
    const Node& child = folder.children[slot.child];
    if (!CheckChild(planning, child, path)) return false;
    entries.push_back(MakePlacedEntry(child, path));
    if (!child.isDirectory) {
      planning->files.push_back({&child, index, entries.size() - 1});
    }
  }
  const TableLayout layout = LayoutEntries(entries);
  if (!entries.empty() && layout.entryOffsets.back() > kMaxEntryOffset) {
    return Fail(planning,
                "too many entries for one directory table in folder /" + path);
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i].tableOffset = layout.entryOffsets[i];
    entries[i].leftOffset = SlotOffset(layout.entryOffsets, slots[i].left);
    entries[i].rightOffset = SlotOffset(layout.entryOffsets, slots[i].right);
  }
  tables[index].size = static_cast<uint32_t>(layout.bytes.size());
  tables[index].entries = entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    const Node& child = folder.children[slots[i].child];
    if (!child.isDirectory) continue;
    tables[index].entries[i].childTable = static_cast<int32_t>(tables.size());
    if (!AddTable(planning, child, entries[i].path)) return false;
  }
  return true;
}

// Tables from sector 33 on in the order they were added, then file data.
bool AssignSectors(Planning* planning, const WriteOptions& options) {
  LayoutReport& report = planning->plan->report;
  uint64_t next = kFirstTableSector;
  for (PlacedTable& table : report.tables) {
    table.startSector = static_cast<uint32_t>(next);
    next += table.size / kSectorSize;
  }
  for (PlacedTable& table : report.tables) {
    for (PlacedEntry& entry : table.entries) {
      if (entry.childTable < 0) continue;
      entry.startSector = report.tables[entry.childTable].startSector;
      entry.size = report.tables[entry.childTable].size;
    }
  }
  uint64_t dataEnd = next * kSectorSize;
  for (const FileRef& file : planning->files) {
    if (next > std::numeric_limits<uint32_t>::max()) {
      return Fail(planning, "image too large: more than 2^32 sectors");
    }
    next = std::max<uint64_t>(next, file.node->earliestSector);
    PlacedEntry& entry = report.tables[file.table].entries[file.entry];
    entry.startSector = static_cast<uint32_t>(next);
    planning->plan->files.push_back({file.node, entry.startSector});
    if (entry.size > 0) dataEnd = next * kSectorSize + entry.size;
    next += (uint64_t{entry.size} + kSectorSize - 1) / kSectorSize;
    report.fileBytes += entry.size;
  }
  report.directoryCount = static_cast<uint32_t>(report.tables.size() - 1);
  report.fileCount = static_cast<uint32_t>(planning->files.size());
  report.imageSize = options.padToSector ? next * kSectorSize : dataEnd;
  return true;
}

}  // namespace

TableLayout LayoutEntries(const std::vector<PlacedEntry>& entries) {
  std::vector<RawEntry> raw;
  for (const PlacedEntry& entry : entries) {
    RawEntry r = MakeRawEntry(entry.name, entry.attributes, entry.startSector,
                              entry.size);
    r.leftOffset = entry.leftOffset;
    r.rightOffset = entry.rightOffset;
    raw.push_back(r);
  }
  return LayoutTable(raw);
}

int PlanImage(const Node& root, const WriteOptions& options, ImagePlan* plan,
              std::string* error) {
  *plan = ImagePlan();
  Planning planning{plan, {}, error};
  if (!root.isDirectory) {
    Fail(&planning, "the root of an image must be a folder");
    return kWriteBadTree;
  }
  const bool planned =
      AddTable(&planning, root, "") && AssignSectors(&planning, options);
  return planned ? kWriteDone : kWriteBadTree;
}

const PlacedEntry* FindPlacedEntry(const LayoutReport& report,
                                   const std::string& path) {
  for (const PlacedTable& table : report.tables) {
    for (const PlacedEntry& entry : table.entries) {
      if (entry.path == path) return &entry;
    }
  }
  return nullptr;
}

}  // namespace writer
