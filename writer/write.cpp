// Writes a planned image front to back: the video partition of a whole
// disc, the descriptor, the tables, then the file data in sector order.
#include <utility>

#include "writer/output.h"
#include "writer/plan.h"
#include "writer/source.h"
#include "writer/wholedisc.h"

namespace writer {

namespace {

constexpr std::size_t kChunkSize = 1 << 20;

std::uint64_t SectorOffset(std::uint32_t sector) {
  return std::uint64_t{sector} * kSectorSize;
}

int Written(bool ok) { return ok ? kWriteDone : kWriteOutputFailed; }

int WriteTables(const ImagePlan& plan, const WriteOptions& options,
                ImageOutput* output, std::string* error) {
  const PlacedTable& rootTable = plan.report.tables.front();
  const std::vector<std::uint8_t> descriptor = EncodeVolumeDescriptor(
      rootTable.startSector, rootTable.size, options.timestamp, true);
  if (!WriteOutput(output, SectorOffset(kVolumeDescriptorSector),
                   descriptor.data(), descriptor.size(), error)) {
    return kWriteOutputFailed;
  }
  for (const PlacedTable& table : plan.report.tables) {
    const TableLayout layout = LayoutEntries(table.entries);
    if (!WriteOutput(output, SectorOffset(table.startSector),
                     layout.bytes.data(), layout.bytes.size(), error)) {
      return kWriteOutputFailed;
    }
  }
  return kWriteDone;
}

int WritePlan(const ImagePlan& plan, const WriteOptions& options,
              ImageOutput* output, std::string* error) {
  int result = WriteTables(plan, options, output, error);
  auto* buffer = static_cast<std::uint8_t*>(AllocBlock(kChunkSize));
  if (!buffer) {
    *error = "out of memory";
    return kWriteOutputFailed;
  }
  CopyContext copy{output, &options, buffer, kChunkSize};
  for (const PlannedFile& file : plan.files) {
    if (result != kWriteDone) break;
    result = CopySource(&copy, *file.node, SectorOffset(file.startSector),
                        file.node->name, error);
  }
  FreeBlock(buffer);
  return result;
}

// A whole disc: the video partition, the file system at the base, and the
// rest of the disc as a hole. The report's image size becomes the disc's.
int WriteWholeDisc(ImagePlan* plan, const WriteOptions& options,
                   ImageOutput* output, std::string* error) {
  const DiscGeometry geometry = GeometryOf(options.layout);
  LayoutReport& report = plan->report;
  if (geometry.partitionBase + report.imageSize > geometry.discSize) {
    *error = "the file system does not fit on the disc of this layout";
    return kWriteBadTree;
  }
  const std::vector<std::uint8_t> video = VideoPartitionBytes(geometry);
  if (!WriteOutput(output, kVideoPartitionOffset, video.data(), video.size(),
                   error)) {
    return kWriteOutputFailed;
  }
  output->base = geometry.partitionBase;
  report.partitionBase = geometry.partitionBase;
  report.imageSize = geometry.discSize;
  return WritePlan(*plan, options, output, error);
}

int WriteLayout(ImagePlan* plan, const WriteOptions& options,
                ImageOutput* output, std::string* error) {
  const int result = options.layout == DiscLayout::kPlain
                         ? WritePlan(*plan, options, output, error)
                         : WriteWholeDisc(plan, options, output, error);
  if (result != kWriteDone) return result;
  return Written(FinishOutput(output, plan->report.imageSize, options, error));
}

}  // namespace

int WriteImage(const Node& root, const LocalName& target,
               const WriteOptions& options, LayoutReport* report,
               std::string* error) {
  ImagePlan plan;
  int result = PlanImage(root, options, &plan, error);
  if (result != kWriteDone) return result;
  ImageOutput output;
  result = OpenOutput(target, &output, error);
  if (result != kWriteDone) return result;
  result = WriteLayout(&plan, options, &output, error);
  if (result != kWriteDone) {
    DiscardOutput(&output);
    return result;
  }
  *report = std::move(plan.report);
  return kWriteDone;
}

}  // namespace writer
