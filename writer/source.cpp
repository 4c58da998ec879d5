#include "writer/source.h"

#include <algorithm>

#include "disc/readahead.h"

namespace writer {

namespace {

constexpr WCHAR kReadMode[] = {'r', 'b', 0};

struct Copy {
  CopyContext* context;
  const Node* node;
  std::uint64_t offset;  // where the next chunk goes
  std::string* error;
};

// Writes a chunk and reports it; kWriteDone or the failure.
int Put(Copy* copy, const std::uint8_t* data, std::size_t length) {
  CopyContext* context = copy->context;
  if (!WriteOutput(context->output, copy->offset, data, length, copy->error)) {
    return kWriteOutputFailed;
  }
  copy->offset += length;
  const WriteOptions& options = *context->options;
  if (options.progress &&
      options.progress(options.progressContext, *copy->node, length) != 0) {
    *copy->error = "cancelled";
    return kWriteCancelled;
  }
  return kWriteDone;
}

std::size_t NextChunk(const CopyContext& context, std::uint64_t left) {
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(context.bufferSize, left));
}

std::FILE* OpenSource(const LocalName& path) {
  return path.units.empty() ? std::fopen(path.bytes.c_str(), "rb")
                            : _wfopen(path.units.c_str(), kReadMode);
}

int SourceFailed(Copy* copy, const std::string& what) {
  *copy->error = what;
  return kWriteSourceFailed;
}

int CopyLocalFile(Copy* copy, const Node& node) {
  const std::string path = ShownName(node.source.path);
  std::FILE* file = OpenSource(node.source.path);
  if (!file) return SourceFailed(copy, "cannot read " + path);
  std::uint8_t* buffer = copy->context->buffer;
  int result = kWriteDone;
  for (std::uint64_t left = node.size; result == kWriteDone && left > 0;) {
    const std::size_t length = NextChunk(*copy->context, left);
    if (std::fread(buffer, 1, length, file) != length) {
      result =
          SourceFailed(copy, std::ferror(file) ? "cannot read " + path
                                               : path +
                                                     " changed size while the "
                                                     "image was written");
      break;
    }
    result = Put(copy, buffer, length);
    left -= length;
  }
  if (result == kWriteDone && std::fgetc(file) != EOF) {
    result =
        SourceFailed(copy, path + " changed size while the image was written");
  }
  std::fclose(file);
  return result;
}

// In turn, through the one warm buffer: both sides are local files, most
// often on one disk, where a read-ahead thread's fresh buffers cost more in
// page faults and contention than the overlap gains.
int CopyImageRange(Copy* copy, const Node& node, const std::string& path) {
  StreamCursor cursor{node.source.offset, node.size, 0};
  while (cursor.remaining > 0) {
    ExtractChunk chunk{};
    if (ReadChunk(*node.source.image, cursor, copy->context->buffer,
                  static_cast<std::uint32_t>(copy->context->bufferSize),
                  chunk) != 0) {
      return SourceFailed(copy, "cannot read " + path + " from the image");
    }
    if (const int result = Put(copy, chunk.data, chunk.length)) return result;
  }
  return kWriteDone;
}

int CopyGenerated(Copy* copy, const Node& node) {
  std::uint8_t* buffer = copy->context->buffer;
  int result = kWriteDone;
  for (std::uint64_t done = 0; result == kWriteDone && done < node.size;) {
    const std::size_t length = NextChunk(*copy->context, node.size - done);
    node.source.generate(node.source.seed, done, buffer, length);
    result = Put(copy, buffer, length);
    done += length;
  }
  return result;
}

}  // namespace

int CopySource(CopyContext* context, const Node& node, std::uint64_t offset,
               const std::string& path, std::string* error) {
  Copy copy{context, &node, offset, error};
  switch (node.source.kind) {
    case SourceKind::kLocalFile:
      return CopyLocalFile(&copy, node);
    case SourceKind::kImageRange:
      return CopyImageRange(&copy, node, path);
    case SourceKind::kGenerated:
      return CopyGenerated(&copy, node);
    case SourceKind::kZeros:
      break;  // left as a hole
  }
  return kWriteDone;
}

}  // namespace writer
