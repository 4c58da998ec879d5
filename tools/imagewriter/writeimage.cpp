// Writes a planned image: descriptor, tables, then file contents streamed
// in bounded chunks so that files of any size pass through little memory.
#include <algorithm>
#include <fstream>
#include <utility>

#include "tools/imagewriter/imagefile.h"
#include "tools/imagewriter/layout.h"
#include "tools/imagewriter/wholedisc.h"

namespace imagewriter {

namespace {

constexpr size_t kChunkSize = 1 << 20;

uint64_t SectorOffset(uint32_t sector) {
  return uint64_t{sector} * kSectorSize;
}

size_t NextChunk(uint64_t done, uint32_t size) {
  return static_cast<size_t>(std::min<uint64_t>(kChunkSize, size - done));
}

bool CopySourceFile(const TreeNode& node, uint64_t offset, ImageFile* image,
                    std::string* error) {
  std::ifstream source(node.sourcePath, std::ios::binary);
  if (!source) {
    *error = "cannot read " + node.sourcePath;
    return false;
  }
  std::vector<uint8_t> buffer(kChunkSize);
  uint64_t done = 0;
  while (done < node.size) {
    const size_t length = NextChunk(done, node.size);
    source.read(reinterpret_cast<char*>(buffer.data()),
                static_cast<std::streamsize>(length));
    if (static_cast<size_t>(source.gcount()) != length) break;
    if (!WriteImageBytes(image, offset + done, buffer.data(), length, error)) {
      return false;
    }
    done += length;
  }
  if (done == node.size && source.peek() == std::ifstream::traits_type::eof()) {
    return true;
  }
  *error = node.sourcePath + " changed size while the image was written";
  return false;
}

bool WritePattern(const TreeNode& node, uint64_t offset, ImageFile* image,
                  std::string* error) {
  for (uint64_t done = 0; done < node.size;) {
    const size_t length = NextChunk(done, node.size);
    const std::vector<uint8_t> bytes =
        PatternBytes(node.patternSeed, done, length);
    if (!WriteImageBytes(image, offset + done, bytes.data(), length, error)) {
      return false;
    }
    done += length;
  }
  return true;
}

bool WriteContent(const PlannedFile& file, ImageFile* image,
                  std::string* error) {
  const uint64_t offset = SectorOffset(file.startSector);
  switch (file.node->content) {
    case ContentKind::kSourceFile:
      return CopySourceFile(*file.node, offset, image, error);
    case ContentKind::kPattern:
      return WritePattern(*file.node, offset, image, error);
    case ContentKind::kZeros:
      break;  // left as a hole
  }
  return true;
}

bool WritePlan(const ImagePlan& plan, const WriteOptions& options,
               ImageFile* image, std::string* error) {
  const PlacedTable& rootTable = plan.report.tables.front();
  const std::vector<uint8_t> descriptor = EncodeVolumeDescriptor(
      rootTable.startSector, rootTable.size, options.timestamp, true);
  if (!WriteImageBytes(image, SectorOffset(kVolumeDescriptorSector),
                       descriptor.data(), descriptor.size(), error)) {
    return false;
  }
  for (const PlacedTable& table : plan.report.tables) {
    const TableLayout layout = LayoutEntries(table.entries);
    if (!WriteImageBytes(image, SectorOffset(table.startSector),
                         layout.bytes.data(), layout.bytes.size(), error)) {
      return false;
    }
  }
  for (const PlannedFile& file : plan.files) {
    if (!WriteContent(file, image, error)) return false;
  }
  return true;
}

// A whole disc: the video partition, the file system at the base, and the
// rest of the disc as a hole. The report's image size becomes the disc's.
bool WriteWholeDisc(ImagePlan* plan, const WriteOptions& options,
                    ImageFile* image, std::string* error) {
  const DiscGeometry geometry = GeometryOf(options.layout);
  LayoutReport& report = plan->report;
  if (geometry.partitionBase + report.imageSize > geometry.discSize) {
    *error = "the file system does not fit on the disc of this layout";
    return false;
  }
  const std::vector<uint8_t> video = VideoPartitionBytes(geometry);
  if (!WriteImageBytes(image, kVideoPartitionOffset, video.data(), video.size(),
                       error)) {
    return false;
  }
  image->base = geometry.partitionBase;
  report.partitionBase = geometry.partitionBase;
  report.imageSize = geometry.discSize;
  return WritePlan(*plan, options, image, error);
}

bool WriteLayout(ImagePlan* plan, const WriteOptions& options, ImageFile* image,
                 std::string* error) {
  const bool written = options.layout == DiscLayout::kPlain
                           ? WritePlan(*plan, options, image, error)
                           : WriteWholeDisc(plan, options, image, error);
  return written && FinishImageFile(image, plan->report.imageSize, error);
}

}  // namespace

bool WriteImage(const TreeNode& root, const std::string& imagePath,
                const WriteOptions& options, LayoutReport* report,
                std::string* error) {
  ImagePlan plan;
  if (!PlanImage(root, options, &plan, error)) return false;
  ImageFile image;
  if (!OpenImageFile(imagePath, &image, error)) return false;
  if (!WriteLayout(&plan, options, &image, error)) {
    DiscardImageFile(&image);
    return false;
  }
  *report = std::move(plan.report);
  return true;
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

}  // namespace imagewriter
