// Writes XDVDFS images: a tree of folders and files, each file's data from a
// source, laid out as the console reads it and written to a temporary file
// beside the target that takes the target's name only when complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disc/device.h"
#include "disc/dirnode.h"
#include "platform/win32.h"

namespace writer {

using ::kSectorSize;  // the reader's
constexpr std::uint32_t kVolumeDescriptorSector = 32;
constexpr std::uint8_t kAttrDirectory = 0x10;
constexpr std::uint8_t kAttrArchive = 0x20;
constexpr std::size_t kMaxNameBytes = 255;

// A local file named in the host's text: wide when units is not empty.
struct LocalName {
  std::string bytes;
  std::basic_string<WCHAR> units;
};

// Fills out with the bytes at [offset, offset + length) of generated data.
typedef void (*GenerateBytes)(std::uint32_t seed, std::uint64_t offset,
                              std::uint8_t* out, std::size_t length);

enum class SourceKind : std::uint8_t {
  kZeros,       // zero bytes, left as a hole in the image file
  kLocalFile,   // the whole of a local file, which must still be size long
  kImageRange,  // size bytes of an open image from offset (from its base)
  kGenerated,   // generate(seed, ...)
};

// Where a file's data comes from; only the planning's names and sizes and
// this record are held, never the data.
struct Source {
  SourceKind kind = SourceKind::kZeros;
  LocalName path;
  const Device* image = nullptr;
  std::uint64_t offset = 0;
  GenerateBytes generate = nullptr;
  std::uint32_t seed = 0;
};

// A folder or a file of the image. The name is raw bytes (Windows-1252 on
// a disc); the planning refuses only what the format cannot hold.
struct Node {
  std::string name;
  bool isDirectory = false;
  std::vector<Node> children;  // folders only; order is irrelevant
  std::uint64_t size = 0;      // files only; 4 GiB or more is refused
  Source source;
  // Files only: the data starts at this sector of the partition or later,
  // with a hole before it, so a test can put a file far out cheaply.
  std::uint32_t earliestSector = 0;
};

// kPlain: the file system from byte 0. The others: a dump of a whole disc
// of that generation, a video partition first, the file system at the
// generation's base, then the rest of the disc as a hole.
enum class DiscLayout : std::uint8_t { kPlain, kXgd1, kXgd2, kXgd3 };

struct DiscGeometry {
  std::uint64_t partitionBase = 0;
  std::uint64_t discSize = 0;
};
DiscGeometry GeometryOf(DiscLayout layout);
// "plain", "xgd1", "xgd2", "xgd3"; false for any other name.
bool ParseLayout(const std::string& name, DiscLayout* layout);

// Called with the bytes of a file's data just written; a non-zero answer
// cancels the write.
struct Node;
typedef int (*ProgressCallback)(void* context, const Node& file,
                                std::uint64_t bytes);

struct WriteOptions {
  bool padToSector = true;      // false: the image ends at the last data byte
  std::uint64_t timestamp = 0;  // FILETIME in the volume descriptor
  DiscLayout layout = DiscLayout::kPlain;
  ProgressCallback progress = nullptr;
  void* progressContext = nullptr;
  // Called once the new image is complete and on the disk, just before it
  // replaces the target, with progressContext: the last moment to close
  // what reads the old one.
  void (*beforeReplace)(void* context) = nullptr;
};

// One entry as it landed in its parent's table.
struct PlacedEntry {
  std::string name;
  std::string path;  // names from the root joined by '/'
  std::uint8_t attributes = 0;
  std::uint32_t startSector = 0;
  std::uint32_t size = 0;
  std::uint32_t tableOffset = 0;  // byte position of the entry in the table
  std::uint16_t leftOffset = 0;   // in 4-byte units, 0 for none
  std::uint16_t rightOffset = 0;
  std::int32_t childTable = -1;  // a folder's own table in tables
};

struct PlacedTable {
  std::string path;  // empty for the root
  std::uint32_t startSector = 0;
  std::uint32_t size = 0;
  std::vector<PlacedEntry> entries;  // physical order, the reader's scan
};

struct LayoutReport {
  std::vector<PlacedTable> tables;   // tables[0] is the root's
  std::uint32_t directoryCount = 0;  // the root not counted
  std::uint32_t fileCount = 0;
  std::uint64_t fileBytes = 0;
  std::uint64_t imageSize = 0;
  std::uint64_t partitionBase = 0;  // byte offset of the file system
};

// Results of WriteImage; error then names the file or folder at fault.
constexpr int kWriteDone = 0;
constexpr int kWriteBadTree = 1;       // a name or size the format cannot hold
constexpr int kWriteSourceFailed = 2;  // vanished, unreadable or resized
constexpr int kWriteCreateFailed = 3;  // no temporary file beside the target
constexpr int kWriteOutputFailed = 4;  // a write, the flush or the rename
constexpr int kWriteCancelled = 5;

// Plans, then writes the image; sectors count from the partition base. The
// root's own name is ignored. After any failure nothing is left beside the
// target and an existing target is as it was.
int WriteImage(const Node& root, const LocalName& target,
               const WriteOptions& options, LayoutReport* report,
               std::string* error);

// The console's lookup order: ASCII letters compared as upper case, every
// other byte by its unsigned value, a prefix first. Names neither of which
// is less are the same name.
bool NameLess(const std::string& a, const std::string& b);

// The entry at a '/'-joined path, or null.
const PlacedEntry* FindPlacedEntry(const LayoutReport& report,
                                   const std::string& path);

}  // namespace writer
