// The image file being written: a temporary file beside the target, written
// front to back, that takes the target's name only once complete and on the
// disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "writer/writer.h"

namespace writer {

struct ImageOutput {
  LocalName target;
  LocalName temporary;
  std::FILE* file = nullptr;
  std::uint64_t position = 0;  // the next byte, from the file's start
  std::uint64_t base = 0;      // added to every offset written at
};

// A local name for a message.
std::string ShownName(const LocalName& name);

// kWriteDone, or kWriteCreateFailed with error naming the file.
int OpenOutput(const LocalName& target, ImageOutput* output,
               std::string* error);
// offset (from base) lies at or after every byte written so far; the gap
// before it reads as zeros, a hole when it is long.
bool WriteOutput(ImageOutput* output, std::uint64_t offset,
                 const std::uint8_t* data, std::size_t length,
                 std::string* error);
// Makes the file size bytes long from its start, flushes it to the disk,
// calls options.beforeReplace and renames it to the target.
bool FinishOutput(ImageOutput* output, std::uint64_t size,
                  const WriteOptions& options, std::string* error);
// Closes and removes the temporary file.
void DiscardOutput(ImageOutput* output);

}  // namespace writer
