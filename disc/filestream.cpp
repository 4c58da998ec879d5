#include "disc/filestream.h"

int vepo_streamfile(const Device& device, const DirNode& file,
                    ExtractCallback callback, void* userData) {
  const ExtractRequest request{
      static_cast<std::int64_t>(SectorToOffset(file.startSector)), file.size,
      kFileChunkSectors, callback, userData};
  return vepo_extractdata(device, &request);
}
