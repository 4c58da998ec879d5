// A file's data, streamed from its source into the image in bounded chunks,
// so that files of any size pass through little memory.
#pragma once

#include <string>

#include "writer/output.h"
#include "writer/writer.h"

namespace writer {

struct CopyContext {
  ImageOutput* output;
  const WriteOptions* options;
  // One chunk, aligned for device reads; image ranges stream through it too.
  std::uint8_t* buffer;
  std::size_t bufferSize;
};

// Writes node.size bytes of the node's source at offset (from the output's
// base): kWriteDone, kWriteSourceFailed, kWriteOutputFailed or
// kWriteCancelled, with error naming path.
int CopySource(CopyContext* copy, const Node& node, std::uint64_t offset,
               const std::string& path, std::string* error);

}  // namespace writer
