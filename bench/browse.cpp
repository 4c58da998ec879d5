// bench_browse: browsing cost on generated discs. For each size it lists
// every folder once through FsFindFirst/FsFindNext from a fresh mount, lists
// the root again with everything loaded, and lists every folder a second
// time; it reports the heap and peak RSS that the loaded tree takes and the
// device reads per folder. The same walks run beside a walk that reads the
// drive cache's tree in place (same table loads, same records, no subtree
// copies), alternated pair by pair, so the price of the deep-copy hand-over
// shows as a ratio.
//
//   bench_browse WORK_DIR [PAIRS [FILES...]]   default 7 pairs and
//                                              2000 20000 200000 files
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/benchutil.h"
#include "disc/drivecache.h"
#include "disc/format.h"
#include "disc/tree.h"
#include "filesystem/exports.h"
#include "filesystem/listing.h"
#include "filesystem/state.h"
#include "platform/native/testapi.h"
#include "tools/imagewriter/imagewriter.h"

namespace {

using bench::Summarize;
using bench::Summary;

// ---- The generated tree ----

struct Shape {
  std::uint32_t files = 0;
  std::uint32_t folders = 0;  // the root not counted
  std::uint32_t maxWidth = 0;
  std::uint32_t maxDepth = 0;
};

// A tenth as many folders as files, one folder 3,000 entries wide (less on
// small trees), a chain of folders 40 deep.
Shape ShapeFor(std::uint32_t files) {
  Shape shape;
  shape.files = files;
  shape.folders = std::max<std::uint32_t>(files / 10, 41);
  shape.maxWidth = std::min<std::uint32_t>(3000, files / 4);
  shape.maxDepth = 40;
  return shape;
}

// splitmix64: the same sequence on every machine and library.
struct Rng {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) {
    return static_cast<std::uint32_t>(Next() % n);
  }
};

std::string Base36(std::uint32_t n) {
  std::string digits;
  do {
    digits.insert(digits.begin(),
                  "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36]);
    n /= 36;
  } while (n != 0);
  return digits;
}

struct TreeFacts {
  std::uint32_t minWidth = 0;
  std::uint32_t maxWidth = 0;
  std::uint32_t maxDepth = 0;
};

// Folder 0 is the root; folders 1 to 40 form the deep chain, the rest hang
// below earlier folders at random. Folder names stay short so that a path 40
// folders deep still fits a host path buffer.
imagewriter::TreeNode BuildTree(const Shape& shape, TreeFacts* facts) {
  Rng rng{0x5EEDull + shape.files};
  const std::uint32_t count = shape.folders + 1;
  std::vector<std::uint32_t> parent(count, 0), depth(count, 0);
  std::vector<std::uint32_t> subfolders(count, 0), files(count, 0);
  for (std::uint32_t i = 1; i < count; ++i) {
    std::uint32_t p = i <= shape.maxDepth ? i - 1 : rng.Below(i);
    while (depth[p] >= shape.maxDepth) p = parent[p];
    parent[i] = p;
    depth[i] = depth[p] + 1;
    ++subfolders[p];
  }
  // Every folder at least one entry; the deepest folder exactly one.
  std::uint32_t left = shape.files;
  for (std::uint32_t i = 1; i < count; ++i) files[i] = 1;
  left -= shape.folders;
  const std::uint32_t wide = shape.maxDepth + 1;
  const std::uint32_t deepest = shape.maxDepth;
  const std::uint32_t wideUsed = subfolders[wide] + files[wide];
  const std::uint32_t wideFiles =
      std::min(left, shape.maxWidth > wideUsed ? shape.maxWidth - wideUsed : 0);
  files[wide] += wideFiles;
  left -= wideFiles;
  while (left > 0) {
    // Squared to favour early folders: a spread of widths, not all alike.
    const double u = static_cast<double>(rng.Below(1000000)) / 1e6;
    const auto i = static_cast<std::uint32_t>(u * u * count);
    if (i == wide || i == deepest) continue;
    if (subfolders[i] + files[i] + 1 >= shape.maxWidth) continue;
    ++files[i];
    --left;
  }

  std::vector<imagewriter::TreeNode> nodes(count);
  std::uint32_t fileNumber = 0;
  facts->minWidth = UINT32_MAX;
  for (std::uint32_t i = 0; i < count; ++i) {
    nodes[i] = imagewriter::MakeDirectory(i == 0 ? "" : "d" + Base36(i));
    for (std::uint32_t f = 0; f < files[i]; ++f) {
      std::string name = "f" + Base36(fileNumber++) + "_";
      const std::uint32_t length = 4 + rng.Below(37);
      while (name.size() < length)
        name += static_cast<char>('a' + rng.Below(26));
      nodes[i].children.push_back(
          imagewriter::MakeZeroFile(name, rng.Below(3000)));
    }
    const std::uint32_t width = subfolders[i] + files[i];
    facts->minWidth = std::min(facts->minWidth, width);
    facts->maxWidth = std::max(facts->maxWidth, width);
    facts->maxDepth = std::max(facts->maxDepth, depth[i]);
  }
  // Parents come before their folders, so fold from the last one up.
  for (std::uint32_t i = count - 1; i > 0; --i) {
    nodes[parent[i]].children.push_back(std::move(nodes[i]));
  }
  return std::move(nodes[0]);
}

// ---- The two walks ----

struct WalkTally {
  std::uint32_t folders = 0;
  std::uint32_t records = 0;
  std::uint64_t checksum = 0;

  void Add(const WIN32_FIND_DATAA& record) {
    ++records;
    std::uint64_t h = 1469598103934665603ull;
    for (const char* c = record.cFileName; *c; ++c) {
      h = (h ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    }
    checksum += h ^ record.nFileSizeLow ^ record.dwFileAttributes;
  }
};

bool IsFolder(const WIN32_FIND_DATAA& record) {
  return (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// One folder as the host sees it: first record, then the rest one by one.
bool ListWithPlugin(const std::string& path, WalkTally& tally,
                    std::vector<std::string>* subfolders) {
  WIN32_FIND_DATAA record;
  std::vector<char> buffer(path.begin(), path.end());
  buffer.push_back('\0');
  HANDLE handle = FsFindFirst(buffer.data(), &record);
  if (handle == INVALID_HANDLE_VALUE) return false;
  auto* find = static_cast<TCFS_FNC*>(handle);
  do {
    tally.Add(record);
    if (subfolders && IsFolder(record)) {
      subfolders->push_back(path + "\\" + record.cFileName);
    }
  } while (FsFindNext(find, &record));
  FsFindClose(find);
  ++tally.folders;
  return true;
}

// The same folder from the cached tree in place: each table on the way is
// loaded exactly as the plug-in's walk loads it, and the records come from
// the node's own children, with no copy of the node or its subtree.
bool ListInPlace(const std::string& path, WalkTally& tally,
                 std::vector<std::string>* subfolders) {
  DirNode* node = nullptr;
  const Device* device = OpenDrive(gPluginState.driveCache, "E:", &node);
  if (!device) return false;
  std::size_t at = path.find('\\', 1);  // past "\E:"
  for (;;) {
    if (vepo_getupdatedirsubtree(*device, *node, "", 0, nullptr, nullptr) !=
        kWalkFound) {
      return false;
    }
    if (at == std::string::npos) break;
    const std::size_t end = path.find('\\', at + 1);
    const std::string name = path.substr(at + 1, end - at - 1);
    DirNode* next = nullptr;
    for (DirNode& child : node->children) {
      if (IsDirectory(child) && child.name == name) {
        next = &child;
        break;
      }
    }
    if (!next) return false;
    node = next;
    at = end;
  }
  std::vector<WIN32_FIND_DATAA> entries;
  NodesToFindData(node->children, entries);
  if (entries.empty()) return false;
  WIN32_FIND_DATAA record;
  for (const WIN32_FIND_DATAA& entry : entries) {
    record = entry;
    tally.Add(record);
    if (subfolders && IsFolder(record)) {
      subfolders->push_back(path + "\\" + record.cFileName);
    }
  }
  ++tally.folders;
  return true;
}

using Lister = bool (*)(const std::string&, WalkTally&,
                        std::vector<std::string>*);

// Every folder once, depth first, each listed before those below it.
WalkTally ListEveryFolder(Lister list) {
  WalkTally tally;
  std::vector<std::string> pending{"\\E:"};
  while (!pending.empty()) {
    const std::string path = std::move(pending.back());
    pending.pop_back();
    if (!list(path, tally, &pending)) {
      std::fprintf(stderr, "bench_browse: listing %s failed\n", path.c_str());
      std::exit(1);
    }
  }
  return tally;
}

// Drops the cached tree and the drive, as listing the plug-in's root does.
void Unmount() {
  WIN32_FIND_DATAA record;
  char root[] = "\\";
  HANDLE handle = FsFindFirst(root, &record);
  if (handle != INVALID_HANDLE_VALUE)
    FsFindClose(static_cast<TCFS_FNC*>(handle));
}

// ---- Device reads against the tables of the loaded tree ----

struct ReadCheck {
  std::uint32_t tables = 0;
  std::uint32_t tablesReadOnce = 0;  // started exactly once, read whole
  std::uint32_t tableStarts = 0;     // streams begun at a table's start
  std::uint32_t deviceReads = 0;     // ReadFile calls, descriptor included
  std::uint32_t descriptorReads = 0;
  std::uint32_t strayReads = 0;  // neither descriptor nor any table
};

void CollectTables(const DirNode& node, std::vector<const DirNode*>& out) {
  out.push_back(&node);
  for (const DirNode& child : node.children) {
    if (IsDirectory(child)) CollectTables(child, out);
  }
}

ReadCheck CheckReads(const std::vector<nativewin::ReadRecord>& reads) {
  constexpr std::uint64_t kTableChunk = 16 * kSectorSize;
  std::vector<const DirNode*> tables;
  CollectTables(gPluginState.driveCache.root, tables);
  // Start offset -> [size, starts seen, reads seen].
  struct Seen {
    std::uint32_t size, starts, reads;
  };
  std::map<std::uint64_t, Seen> byStart;
  for (const DirNode* table : tables) {
    byStart[SectorToOffset(table->startSector)] = Seen{table->size, 0, 0};
  }
  ReadCheck check;
  check.tables = static_cast<std::uint32_t>(tables.size());
  check.deviceReads = static_cast<std::uint32_t>(reads.size());
  for (const nativewin::ReadRecord& read : reads) {
    if (read.offset == kVolumeDescriptorOffset) {
      ++check.descriptorReads;
      continue;
    }
    auto it = byStart.upper_bound(read.offset);
    if (it == byStart.begin()) {
      ++check.strayReads;
      continue;
    }
    --it;
    const std::uint64_t span = std::max<std::uint64_t>(it->second.size, 1);
    if (read.offset >= it->first + span) {
      ++check.strayReads;
      continue;
    }
    if (read.offset == it->first) ++it->second.starts;
    ++it->second.reads;
  }
  for (const auto& [start, seen] : byStart) {
    const std::uint64_t expected =
        std::max<std::uint64_t>(1, (seen.size + kTableChunk - 1) / kTableChunk);
    check.tableStarts += seen.starts;
    if (seen.starts == 1 && seen.reads == expected) ++check.tablesReadOnce;
  }
  return check;
}

// Where a loaded entry's bytes go, besides the node itself.
struct MemoryBreakdown {
  std::size_t spareCapacity = 0;
  std::size_t longNames = 0;
};

MemoryBreakdown Breakdown(const DirNode& node) {
  MemoryBreakdown total;
  total.spareCapacity =
      (node.children.capacity() - node.children.size()) * sizeof(DirNode);
  const std::string empty;
  for (const DirNode& child : node.children) {
    if (child.name.capacity() > empty.capacity()) {
      total.longNames += child.name.capacity() + 1;
    }
    const MemoryBreakdown below = Breakdown(child);
    total.spareCapacity += below.spareCapacity;
    total.longNames += below.longNames;
  }
  return total;
}

// ---- One size, measured in a process of its own ----

struct Result {
  std::uint32_t files = 0;
  std::uint32_t folders = 0;
  std::uint32_t entries = 0;
  double firstPass[2] = {};  // medians: plugin, in place
  double rootAgain[2] = {};
  double secondPass[2] = {};
  double firstRatio = 0;  // median of the per-pair ratios plugin / in place
  double rootRatio = 0;
  double secondRatio = 0;
  double heapPerEntry = 0;
  std::size_t peakRss = 0;
  double readsPerFolder = 0;
  bool readsAsDesigned = false;
};

struct Side {
  std::vector<double> first, root, second;
};

void PrintLine(const char* what, const std::vector<double>& plugin,
               const std::vector<double>& inPlace, double* ratioOut) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < plugin.size(); ++i) {
    ratios.push_back(plugin[i] / inPlace[i]);
  }
  const Summary p = Summarize(plugin), q = Summarize(inPlace),
                r = Summarize(ratios);
  std::printf(
      "  %-34s plugin %9.3f ms (%.3f-%.3f), in place %9.3f ms (%.3f-%.3f); "
      "plugin/in place %.2f (%.2f-%.2f)\n",
      what, p.median * 1e3, p.min * 1e3, p.max * 1e3, q.median * 1e3,
      q.min * 1e3, q.max * 1e3, r.median, r.min, r.max);
  *ratioOut = r.median;
}

Result Measure(const std::string& image, const Shape& shape,
               const TreeFacts& facts, int pairs) {
  Result result;
  result.files = shape.files;
  result.folders = shape.folders;
  result.entries = shape.files + shape.folders;
  nativewin::Reset();
  nativewin::AddDrive("E:\\", DRIVE_CDROM, image);
  FsInit(1, nullptr, nullptr, nullptr);
  const std::size_t rssBefore = bench::ResidentBytes();

  Side sides[2];
  const Lister listers[2] = {ListWithPlugin, ListInPlace};
  WalkTally expected;
  ReadCheck check;
  std::size_t heapLoaded = 0;
  std::size_t peakAfterFirst = 0;
  bool extraReads = false;
  MemoryBreakdown breakdown;
  // Small trees take a few milliseconds a walk; several walks per sample
  // keep the clock's and the scheduler's noise small against them.
  const int repeats =
      static_cast<int>(std::max<std::uint32_t>(1, 200000 / shape.files));
  for (int pair = 0; pair < pairs; ++pair) {
    for (int turn = 0; turn < 2; ++turn) {
      const int side = (pair % 2 == 0) ? turn : 1 - turn;
      double first = 0, root = 0, second = 0;
      for (int rep = 0; rep < repeats; ++rep) {
        const bool reference = pair == 0 && side == 0 && rep == 0;
        Unmount();
        nativewin::ResetStats();
        const std::size_t heapBefore = bench::HeapInUse();
        auto start = bench::Clock::now();
        const WalkTally tally = ListEveryFolder(listers[side]);
        first += bench::SecondsSince(start);
        if (reference) {
          expected = tally;
          check = CheckReads(nativewin::GetStats().reads);
          peakAfterFirst = bench::PeakResidentBytes();
        } else if (tally.records != expected.records ||
                   tally.checksum != expected.checksum) {
          std::fprintf(stderr, "bench_browse: the walks disagree\n");
          std::exit(1);
        } else {
          const ReadCheck again = CheckReads(nativewin::GetStats().reads);
          if (again.tablesReadOnce != again.tables ||
              again.deviceReads != check.deviceReads) {
            extraReads = true;
          }
        }
        nativewin::ResetStats();
        if (reference) {
          heapLoaded = bench::HeapInUse() - heapBefore;
          breakdown = Breakdown(gPluginState.driveCache.root);
        }
      }
      // From here on everything is loaded: no walk may touch the device.
      for (int rep = 0; rep < repeats; ++rep) {
        const auto start = bench::Clock::now();
        WalkTally rootTally;
        listers[side]("\\E:", rootTally, nullptr);
        root += bench::SecondsSince(start);
      }
      for (int rep = 0; rep < repeats; ++rep) {
        const auto start = bench::Clock::now();
        ListEveryFolder(listers[side]);
        second += bench::SecondsSince(start);
      }
      if (!nativewin::GetStats().reads.empty()) extraReads = true;
      sides[side].first.push_back(first / repeats);
      sides[side].root.push_back(root / repeats);
      sides[side].second.push_back(second / repeats);
    }
  }
  Unmount();

  std::printf(
      "%u files in %u folders: %u entries, widths %u-%u, depth %u; %d "
      "pairs, each time per walk, averaged over %d walk(s)\n",
      shape.files, shape.folders, result.entries, facts.minWidth,
      facts.maxWidth, facts.maxDepth, pairs, repeats);
  PrintLine("every folder, fresh mount:", sides[0].first, sides[1].first,
            &result.firstRatio);
  PrintLine("root again, all loaded:", sides[0].root, sides[1].root,
            &result.rootRatio);
  PrintLine("every folder again, all loaded:", sides[0].second, sides[1].second,
            &result.secondRatio);
  for (int side = 0; side < 2; ++side) {
    result.firstPass[side] = Summarize(sides[side].first).median;
    result.rootAgain[side] = Summarize(sides[side].root).median;
    result.secondPass[side] = Summarize(sides[side].second).median;
  }

  result.readsPerFolder =
      static_cast<double>(check.tableStarts) / expected.folders;
  result.readsAsDesigned = check.tables == expected.folders &&
                           check.tablesReadOnce == check.tables &&
                           check.tableStarts == check.tables &&
                           check.descriptorReads == 1 &&
                           check.strayReads == 0 && !extraReads;
  std::printf(
      "  reads: %u table reads for %u folders listed (%.3f per folder), "
      "%u of %u tables read once and whole; %u ReadFile calls (%.3f per "
      "folder: tables over 32 KiB take more than one), %u of the volume "
      "descriptor, %u elsewhere; re-listing read %s -> %s\n",
      check.tableStarts, expected.folders, result.readsPerFolder,
      check.tablesReadOnce, check.tables, check.deviceReads,
      static_cast<double>(check.deviceReads - check.descriptorReads) /
          expected.folders,
      check.descriptorReads, check.strayReads, extraReads ? "more" : "nothing",
      result.readsAsDesigned ? "as designed" : "DEVIATION");

  result.heapPerEntry = static_cast<double>(heapLoaded) / result.entries;
  result.peakRss = bench::PeakResidentBytes();
  const double entries = result.entries;
  std::printf(
      "  memory: loaded tree %.2f MiB of heap, %.1f bytes per entry: "
      "%zu the node, %.1f unused capacity of the children vectors, %.1f "
      "names too long to sit in the node, the rest the allocator's; RSS "
      "%.1f MiB before the mount, peak %.1f MiB after the first walk, %.1f "
      "MiB in the end (listing the root copies the whole tree)\n",
      heapLoaded / 1048576.0, result.heapPerEntry, sizeof(DirNode),
      breakdown.spareCapacity / entries, breakdown.longNames / entries,
      rssBefore / 1048576.0, peakAfterFirst / 1048576.0,
      result.peakRss / 1048576.0);
  std::fflush(stdout);
  return result;
}

// Runs fn in a child process, so that each size starts with a clean heap
// and its own peak RSS; false when the child failed.
bool InChild(const std::function<void(int fd)>& fn, int* readFd) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    close(fds[0]);
    fn(fds[1]);
    std::fflush(stdout);
    _exit(0);
  }
  close(fds[1]);
  *readFd = fds[0];
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunSize(const std::string& work, std::uint32_t files, int pairs,
             Result* result) {
  const Shape shape = ShapeFor(files);
  const std::string image = work + "/browse-" + std::to_string(files) + ".xiso";
  TreeFacts facts;
  int fd = -1;
  // The generator's own tree would count towards the measured memory.
  const bool written = InChild(
      [&](int out) {
        TreeFacts made;
        const imagewriter::TreeNode root = BuildTree(shape, &made);
        imagewriter::LayoutReport report;
        std::string error;
        if (!imagewriter::WriteImage(root, image, imagewriter::WriteOptions(),
                                     &report, &error)) {
          std::fprintf(stderr, "bench_browse: %s\n", error.c_str());
          _exit(1);
        }
        if (write(out, &made, sizeof made) != sizeof made) _exit(1);
      },
      &fd);
  const bool gotFacts = read(fd, &facts, sizeof facts) == sizeof facts;
  close(fd);
  if (!written || !gotFacts) return false;

  const bool measured = InChild(
      [&](int out) {
        const Result r = Measure(image, shape, facts, pairs);
        if (write(out, &r, sizeof r) != sizeof r) _exit(1);
      },
      &fd);
  const bool gotResult = read(fd, result, sizeof *result) == sizeof *result;
  close(fd);
  unlink(image.c_str());
  return measured && gotResult;
}

void PrintGrowth(const std::vector<Result>& results) {
  std::printf(
      "\ngrowth of the plug-in's walks (x: factor over the size before, "
      "entries grew by the factor in brackets)\n"
      "  %12s %10s %6s %10s %6s %10s %6s %8s %9s %9s\n",
      "entries", "fresh ms", "x", "root ms", "x", "again ms", "x", "B/entry",
      "peak MiB", "reads/dir");
  for (std::size_t i = 0; i < results.size(); ++i) {
    const Result& r = results[i];
    char growth[3][16] = {"", "", ""};
    if (i > 0) {
      const Result& p = results[i - 1];
      std::snprintf(growth[0], sizeof growth[0], "%.1f",
                    r.firstPass[0] / p.firstPass[0]);
      std::snprintf(growth[1], sizeof growth[1], "%.1f",
                    r.rootAgain[0] / p.rootAgain[0]);
      std::snprintf(growth[2], sizeof growth[2], "%.1f",
                    r.secondPass[0] / p.secondPass[0]);
    }
    char entries[32];
    std::snprintf(entries, sizeof entries, "%u", r.entries);
    if (i > 0) {
      std::snprintf(entries, sizeof entries, "%u (%.0f)", r.entries,
                    static_cast<double>(r.entries) / results[i - 1].entries);
    }
    std::printf("  %12s %10.3f %6s %10.3f %6s %10.3f %6s %8.1f %9.1f %9.3f\n",
                entries, r.firstPass[0] * 1e3, growth[0], r.rootAgain[0] * 1e3,
                growth[1], r.secondPass[0] * 1e3, growth[2], r.heapPerEntry,
                r.peakRss / 1048576.0, r.readsPerFolder);
  }
  std::printf(
      "  fresh: every folder once from a fresh mount; root: the root again "
      "with all loaded; again: every folder again with all loaded\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_browse WORK_DIR [PAIRS [FILES...]]\n");
    return 2;
  }
  const std::string work = argv[1];
  const int pairs = argc > 2 ? std::atoi(argv[2]) : 7;
  std::vector<std::uint32_t> sizes;
  for (int i = 3; i < argc; ++i) {
    sizes.push_back(std::strtoul(argv[i], nullptr, 10));
    // Below this the deep chain and the wide folder do not fit.
    if (sizes.back() < 1000) {
      std::fprintf(stderr, "bench_browse: FILES must be at least 1000\n");
      return 2;
    }
  }
  if (sizes.empty()) sizes = {2000, 20000, 200000};
  if (pairs < 1) return 2;

  std::vector<Result> results;
  bool deviation = false;
  for (std::uint32_t files : sizes) {
    Result result;
    if (!RunSize(work, files, pairs, &result)) {
      std::fprintf(stderr, "bench_browse: %u files failed\n", files);
      return 1;
    }
    deviation |= !result.readsAsDesigned;
    results.push_back(result);
  }
  PrintGrowth(results);
  if (deviation) std::printf("DEVIATION: not one table read per folder\n");
  return 0;
}
