#include "writer/output.h"

#include <algorithm>

namespace writer {

namespace {

// Gaps up to this length are written as zeros, longer ones left as holes.
constexpr std::uint64_t kLongestWrittenGap = 1 << 20;

constexpr WCHAR kTemporarySuffix[] = {'.', 'p', 'a', 'r', 't',
                                      'i', 'a', 'l', 0};
constexpr WCHAR kWriteMode[] = {'w', 'b', 0};

bool Fail(const ImageOutput& output, const char* what, std::string* error) {
  *error = std::string("cannot ") + what + " " + ShownName(output.temporary);
  return false;
}

bool WriteBytes(ImageOutput* output, const std::uint8_t* data,
                std::size_t length, std::string* error) {
  if (length > 0 && std::fwrite(data, 1, length, output->file) != length) {
    return Fail(*output, "write", error);
  }
  output->position += length;
  return true;
}

// Moves the position to at: zeros for a short gap, a hole for a long one.
bool FillTo(ImageOutput* output, std::uint64_t at, std::string* error) {
  if (at < output->position) return Fail(*output, "seek back in", error);
  const std::uint64_t gap = at - output->position;
  if (gap > kLongestWrittenGap) {
    if (!SeekLocalFile(output->file, at)) return Fail(*output, "seek", error);
    output->position = at;
    return true;
  }
  // Most gaps are the rest of a file's last sector: no block of their own.
  static const std::uint8_t kZeros[64 << 10] = {};
  for (std::uint64_t left = gap; left > 0;) {
    const auto length =
        static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof kZeros));
    if (!WriteBytes(output, kZeros, length, error)) return false;
    left -= length;
  }
  return true;
}

}  // namespace

std::string ShownName(const LocalName& name) {
  if (name.units.empty()) return name.bytes;
  std::string shown;  // the units as Latin-1 bytes: only for messages
  for (WCHAR unit : name.units) {
    shown += static_cast<char>(unit < 0x100 ? unit : '?');
  }
  return shown;
}

int OpenOutput(const LocalName& target, ImageOutput* output,
               std::string* error) {
  output->target = target;
  output->temporary = target;
  if (target.units.empty()) {
    output->temporary.bytes += ".partial";
    output->file = std::fopen(output->temporary.bytes.c_str(), "wb");
  } else {
    output->temporary.units += kTemporarySuffix;
    output->file = _wfopen(output->temporary.units.c_str(), kWriteMode);
  }
  if (!output->file) {
    Fail(*output, "create", error);
    return kWriteCreateFailed;
  }
  // Every write is one large chunk, straight from the caller's buffer.
  std::setvbuf(output->file, nullptr, _IONBF, 0);
  return kWriteDone;
}

bool WriteOutput(ImageOutput* output, std::uint64_t offset,
                 const std::uint8_t* data, std::size_t length,
                 std::string* error) {
  return FillTo(output, output->base + offset, error) &&
         WriteBytes(output, data, length, error);
}

bool FinishOutput(ImageOutput* output, std::uint64_t size,
                  const WriteOptions& options, std::string* error) {
  if (size > output->position) {
    // The last byte written makes the file as long as the image.
    const std::uint8_t zero = 0;
    if (!FillTo(output, size - 1, error) ||
        !WriteBytes(output, &zero, 1, error)) {
      return false;
    }
  }
  if (!FlushLocalFile(output->file)) return Fail(*output, "flush", error);
  const int closed = std::fclose(output->file);
  output->file = nullptr;
  if (closed != 0) return Fail(*output, "close", error);
  if (options.beforeReplace) options.beforeReplace(options.progressContext);
  const bool renamed = output->target.units.empty()
                           ? ReplaceLocalFile(output->temporary.bytes.c_str(),
                                              output->target.bytes.c_str())
                           : ReplaceLocalFile(output->temporary.units.c_str(),
                                              output->target.units.c_str());
  return renamed || Fail(*output, "rename", error);
}

void DiscardOutput(ImageOutput* output) {
  if (output->file) std::fclose(output->file);
  output->file = nullptr;
  if (output->temporary.units.empty()) {
    std::remove(output->temporary.bytes.c_str());
  } else {
    _wremove(output->temporary.units.c_str());
  }
}

}  // namespace writer
