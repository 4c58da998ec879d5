// Test-side helpers over the product's writer: trees with generated
// contents, images written from them, and raw images crafted byte by byte,
// so that the disc reader's tests run on real images made at test time.
#ifndef TOOLS_IMAGEWRITER_IMAGEWRITER_H_
#define TOOLS_IMAGEWRITER_IMAGEWRITER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "writer/encode.h"
#include "writer/writer.h"

namespace imagewriter {

using writer::DiscGeometry;
using writer::DiscLayout;
using writer::EncodedEntrySize;
using writer::EncodeEntry;
using writer::EncodeVolumeDescriptor;
using writer::FindPlacedEntry;
using writer::GeometryOf;
using writer::kAttrArchive;
using writer::kAttrDirectory;
using writer::kSectorSize;
using writer::kSignature;
using writer::kSignatureSize;
using writer::kSignatureTailOffset;
using writer::kVolumeDescriptorSector;
using writer::LayoutReport;
using writer::LayoutTable;
using writer::MakeRawEntry;
using writer::NameLess;
using writer::ParseLayout;
using writer::PlacedEntry;
using writer::PlacedTable;
using writer::RawEntry;
using writer::SourceKind;
using writer::TableLayout;
using writer::WriteOptions;
using TreeNode = writer::Node;

TreeNode MakeDirectory(std::string name, std::vector<TreeNode> children = {});
TreeNode MakeSourceFile(std::string name, std::string sourcePath,
                        std::uint64_t size);
TreeNode MakePatternFile(std::string name, std::uint64_t size,
                         std::uint32_t seed);
TreeNode MakeZeroFile(std::string name, std::uint64_t size);

// The bytes at [offset, offset + length) of a pattern file's content.
// Neighbouring sectors and different seeds differ, so misplaced data shows.
std::vector<uint8_t> PatternBytes(uint32_t seed, uint64_t offset,
                                  size_t length);

// Reads a real folder into a tree (root name empty). Files take their data
// from the local file; children are in the console's name order.
bool ReadFolderTree(const std::string& path, TreeNode* root,
                    std::string* error);

// The product's writer with a path of UTF-8 bytes: true when written.
bool WriteImage(const TreeNode& root, const std::string& imagePath,
                const WriteOptions& options, LayoutReport* report,
                std::string* error);

// ---- Raw crafting ----

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
