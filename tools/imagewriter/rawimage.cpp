// Raw image builder for crafted, possibly malformed, images.
#include <algorithm>
#include <utility>

#include "tools/imagewriter/imagefile.h"
#include "tools/imagewriter/imagewriter.h"
#include "writer/wholedisc.h"

namespace imagewriter {

using writer::kVideoPartitionOffset;
using writer::VideoPartitionBytes;

void PutBytes(RawImage* image, uint64_t offset, std::vector<uint8_t> bytes) {
  image->size = std::max(image->size, offset + bytes.size());
  image->pieces.push_back({offset, std::move(bytes)});
}

void PutVolumeDescriptor(RawImage* image, uint32_t rootSector,
                         uint32_t rootSize, bool withSignature) {
  PutBytes(image, uint64_t{kVolumeDescriptorSector} * kSectorSize,
           EncodeVolumeDescriptor(rootSector, rootSize, 0, withSignature));
}

RawImage RawDiscWithRoot(const std::vector<RawEntry>& entries) {
  constexpr uint32_t kRootSector = kVolumeDescriptorSector + 1;
  RawImage raw;
  const TableLayout table = LayoutTable(entries);
  PutBytes(&raw, uint64_t{kRootSector} * kSectorSize, table.bytes);
  PutVolumeDescriptor(&raw, kRootSector,
                      static_cast<uint32_t>(table.bytes.size()), true);
  return raw;
}

RawImage VideoOnlyDisc(DiscLayout layout) {
  const DiscGeometry geometry = GeometryOf(layout);
  RawImage raw;
  PutBytes(&raw, kVideoPartitionOffset, VideoPartitionBytes(geometry));
  raw.size = geometry.discSize;
  return raw;
}

bool SaveRawImage(const RawImage& image, const std::string& path,
                  std::string* error) {
  ImageFile file;
  if (!OpenImageFile(path, &file, error)) return false;
  bool ok = true;
  for (size_t i = 0; ok && i < image.pieces.size(); ++i) {
    const RawPiece& piece = image.pieces[i];
    ok = WriteImageBytes(&file, piece.offset, piece.bytes.data(),
                         piece.bytes.size(), error);
  }
  if (ok && FinishImageFile(&file, image.size, error)) return true;
  DiscardImageFile(&file);
  return false;
}

}  // namespace imagewriter
