// Places directory entries into the sectors of a table.
#include <algorithm>

#include "writer/encode.h"
#include "writer/writer.h"

namespace writer {

TableLayout LayoutTable(const std::vector<RawEntry>& entries) {
  TableLayout layout;
  uint32_t position = 0;
  for (const RawEntry& entry : entries) {
    const uint32_t size = EncodedEntrySize(entry.nameLength);
    const uint32_t room = kSectorSize - position % kSectorSize;
    if (size > room) position += room;
    layout.entryOffsets.push_back(position);
    position += size;
  }
  const uint32_t sectors =
      position == 0 ? 1 : (position + kSectorSize - 1) / kSectorSize;
  layout.bytes.assign(static_cast<size_t>(sectors) * kSectorSize, 0xFF);
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::vector<uint8_t> encoded = EncodeEntry(entries[i]);
    std::copy(encoded.begin(), encoded.end(),
              layout.bytes.begin() + layout.entryOffsets[i]);
  }
  return layout;
}

}  // namespace writer
