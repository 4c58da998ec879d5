// Lays out a tree: balanced search tree per table, then sector assignment.
#include "tools/imagewriter/layout.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace imagewriter {

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

std::vector<TreeSlot> SearchTreeOrder(const std::vector<TreeNode>& children) {
  std::vector<size_t> sorted(children.size());
  std::iota(sorted.begin(), sorted.end(), 0);
  std::stable_sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) {
    return NameLess(children[a].name, children[b].name);
  });
  std::vector<TreeSlot> slots;
  AppendPreorder(sorted, 0, sorted.size(), &slots);
  return slots;
}

std::string JoinPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

uint16_t SlotOffset(const std::vector<uint32_t>& offsets, int slot) {
  return slot < 0 ? 0 : static_cast<uint16_t>(offsets[slot] / 4);
}

// A file entry waiting for its sector: its node and where its entry sits.
struct FileRef {
  const TreeNode* node;
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

PlacedEntry MakePlacedEntry(const TreeNode& child, const std::string& path) {
  PlacedEntry entry;
  entry.name = child.name;
  entry.path = JoinPath(path, child.name);
  entry.attributes = child.isDirectory ? kAttrDirectory : kAttrArchive;
  entry.size = child.isDirectory ? 0 : child.size;
  return entry;
}

// Adds the table of a folder and, after it, those of its subfolders, with
// their entries' places within the tables.
bool AddTable(Planning* planning, const TreeNode& folder,
              const std::string& path) {
  std::vector<PlacedTable>& tables = planning->plan->report.tables;
  const int index = static_cast<int>(tables.size());
  tables.emplace_back();
  tables.back().path = path;
  const std::vector<TreeSlot> slots = SearchTreeOrder(folder.children);
  std::vector<PlacedEntry> entries;
  for (const TreeSlot& slot : slots) {
    const TreeNode& child = folder.children[slot.child];
    if (child.name.size() > std::numeric_limits<uint8_t>::max()) {
      return Fail(planning, "name longer than 255 bytes in folder /" + path);
    }
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
    const TreeNode& child = folder.children[slots[i].child];
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

bool PlanImage(const TreeNode& root, const WriteOptions& options,
               ImagePlan* plan, std::string* error) {
  if (!root.isDirectory) {
    *error = "the root of an image must be a folder";
    return false;
  }
  *plan = ImagePlan();
  Planning planning{plan, {}, error};
  return AddTable(&planning, root, "") && AssignSectors(&planning, options);
}

}  // namespace imagewriter
