// Writes XDVDFS images from a tree of folders and files, and crafts raw
// images byte by byte, so that the disc reader's tests run on real images
// made at test time.
#ifndef TOOLS_IMAGEWRITER_IMAGEWRITER_H_
#define TOOLS_IMAGEWRITER_IMAGEWRITER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace imagewriter {

constexpr uint32_t kSectorSize = 2048;
constexpr uint32_t kVolumeDescriptorSector = 32;
constexpr uint8_t kAttrDirectory = 0x10;
constexpr uint8_t kAttrArchive = 0x20;
// The signature stands at both of these offsets of the volume descriptor.
constexpr const char kSignature[] = "MICROSOFT*XBOX*MEDIA";
constexpr uint32_t kSignatureSize = 20;
constexpr uint32_t kSignatureTailOffset = 2028;

// ---- Tree model ----

enum class ContentKind : uint8_t {
  kSourceFile,  // copied from sourcePath
  kPattern,     // PatternBytes(patternSeed, ...)
  kZeros,       // zero bytes, left as a hole in the image file
};

// A folder or a file of the image. The name is raw bytes: any byte, a zero
// byte included, and at most 255 of them.
struct TreeNode {
  std::string name;
  bool isDirectory = false;
  std::vector<TreeNode> children;  // folders only; order is irrelevant
  uint32_t size = 0;               // files only
  ContentKind content = ContentKind::kZeros;
  std::string sourcePath;
  uint32_t patternSeed = 0;
  // Files only: the data starts at this sector of the partition or later,
  // with a hole before it, so a test can put a file far out cheaply.
  uint32_t earliestSector = 0;
};

TreeNode MakeDirectory(std::string name, std::vector<TreeNode> children = {});
TreeNode MakeSourceFile(std::string name, std::string sourcePath,
                        uint32_t size);
TreeNode MakePatternFile(std::string name, uint32_t size, uint32_t seed);
TreeNode MakeZeroFile(std::string name, uint32_t size);

// The bytes at [offset, offset + length) of a pattern file's content.
// Neighbouring sectors and different seeds differ, so misplaced data shows.
std::vector<uint8_t> PatternBytes(uint32_t seed, uint64_t offset,
                                  size_t length);

// Reads a real folder into a tree (root name empty). Files become
// kSourceFile nodes; children are sorted by NameLess.
bool ReadFolderTree(const std::string& path, TreeNode* root,
                    std::string* error);

// Name order of the tables' search trees: bytes compared after ASCII
// upper-casing, a shorter prefix first; names equal that way are ordered by
// their raw bytes, so the order never depends on a listing's order.
bool NameLess(const std::string& a, const std::string& b);

// ---- Image from a tree ----

// kPlain: the file system from byte 0, as a plain image or a burned disc.
// The others: a dump of a whole disc of that generation, a video partition
// first, the file system at the generation's base, then the rest of the
// disc, all as long as a real dump.
enum class DiscLayout : uint8_t { kPlain, kXgd1, kXgd2, kXgd3 };

// Where the file system of a layout starts and how long its image is (0 for
// a plain image: as long as the file system).
struct DiscGeometry {
  uint64_t partitionBase = 0;
  uint64_t discSize = 0;
};
DiscGeometry GeometryOf(DiscLayout layout);
// "plain", "xgd1", "xgd2", "xgd3"; false for any other name.
bool ParseLayout(const std::string& name, DiscLayout* layout);

struct WriteOptions {
  bool padToSector = true;  // false: the image ends at the last data byte
  uint64_t timestamp = 0;   // FILETIME in the volume descriptor
  DiscLayout layout = DiscLayout::kPlain;
};

// One entry as it landed in its parent's table.
struct PlacedEntry {
  std::string name;
  std::string path;  // names from the root joined by '/'
  uint8_t attributes = 0;
  uint32_t startSector = 0;
  uint32_t size = 0;
  uint32_t tableOffset = 0;  // byte position of the entry within the table
  uint16_t leftOffset = 0;   // in 4-byte units, 0 for none
  uint16_t rightOffset = 0;
  int32_t childTable = -1;  // a folder's own table in LayoutReport::tables
};

struct PlacedTable {
  std::string path;  // empty for the root
  uint32_t startSector = 0;
  uint32_t size = 0;
  std::vector<PlacedEntry> entries;  // physical order, the reader's scan order
};

struct LayoutReport {
  std::vector<PlacedTable> tables;  // tables[0] is the root's
  uint32_t directoryCount = 0;      // the root not counted
  uint32_t fileCount = 0;
  uint64_t fileBytes = 0;
  uint64_t imageSize = 0;
  uint64_t partitionBase = 0;  // byte offset of sector 0 of the file system
};

// Lays out and writes the image, streaming file contents; sectors are
// counted from the partition base, as on disc. The root's own name is
// ignored. On failure no image is left behind.
bool WriteImage(const TreeNode& root, const std::string& imagePath,
                const WriteOptions& options, LayoutReport* report,
                std::string* error);

// The entry at a '/'-joined path, or null.
const PlacedEntry* FindPlacedEntry(const LayoutReport& report,
                                   const std::string& path);

// ---- Raw crafting ----

// A directory entry with every field explicit. nameLength need not match
// name: the entry takes 14 + nameLength bytes rounded up to 4 and holds the
// first nameLength bytes of name, padded with zeros.
struct RawEntry {
  uint16_t leftOffset = 0;
  uint16_t rightOffset = 0;
  uint32_t startSector = 0;
  uint32_t size = 0;
  uint8_t attributes = 0;
  uint8_t nameLength = 0;
  std::string name;
};

RawEntry MakeRawEntry(const std::string& name, uint8_t attributes,
                      uint32_t startSector, uint32_t size);
uint32_t EncodedEntrySize(uint8_t nameLength);
std::vector<uint8_t> EncodeEntry(const RawEntry& entry);

struct TableLayout {
  std::vector<uint8_t> bytes;  // whole sectors, unused bytes 0xFF
  std::vector<uint32_t> entryOffsets;
};

// Places the entries in the given order; an entry that does not fit in the
// rest of a sector starts the next one. No entries: one sector of 0xFF.
TableLayout LayoutTable(const std::vector<RawEntry>& entries);

std::vector<uint8_t> EncodeVolumeDescriptor(uint32_t rootSector,
                                            uint32_t rootSize,
                                            uint64_t timestamp,
                                            bool withSignature);

// Bytes at chosen places, zero elsewhere. Pieces are written in order, so a
// later piece overwrites an earlier one where they overlap.
struct RawPiece {
  uint64_t offset = 0;
  std::vector<uint8_t> bytes;
};

struct RawImage {
  std::vector<RawPiece> pieces;
  uint64_t size = 0;  // the file's size; PutBytes grows it to cover a piece
};

void PutBytes(RawImage* image, uint64_t offset, std::vector<uint8_t> bytes);
void PutVolumeDescriptor(RawImage* image, uint32_t rootSector,
                         uint32_t rootSize, bool withSignature);
// A signed disc whose root table is these entries, at sector 33.
RawImage RawDiscWithRoot(const std::vector<RawEntry>& entries);
// A whole disc of the layout as long as a real one, with its video
// partition and no file system at the base: what an ordinary DVD drive
// shows of a pressed disc.
RawImage VideoOnlyDisc(DiscLayout layout);
// Zero areas become holes, so a huge image costs no disk space.
bool SaveRawImage(const RawImage& image, const std::string& path,
                  std::string* error);

}  // namespace imagewriter

#endif  // TOOLS_IMAGEWRITER_IMAGEWRITER_H_
