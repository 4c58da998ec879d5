#include <cstring>

#include "plugin/executable.h"

namespace {

constexpr std::uint32_t kHeaderCountField = 0x14;
constexpr std::uint32_t kHeaderBytes = 0x18;
constexpr std::uint32_t kDirectoryEntryBytes = 8;
// Far more optional headers than any executable carries; a count above it
// is hostile, and reading that many would cost more than the fields are
// worth.
constexpr std::uint32_t kMaxOptionalHeaders =
    (kMaxExecutableRead - kHeaderBytes) / kDirectoryEntryBytes;

// The key's low byte is the record's size in 32-bit words; a size above 1
// means the value is the record's offset in the file.
constexpr std::uint32_t kExecutionInfoKey = 0x00040006;
constexpr std::uint32_t kExecutionInfoBytes = 24;
constexpr std::uint32_t kVersionField = 4;
constexpr std::uint32_t kTitleIdField = 12;
constexpr std::uint32_t kDiscNumberField = 22;

std::uint32_t ReadBig32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 |
         static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 |
         static_cast<std::uint32_t>(p[3]);
}

}  // namespace

int ParseXex(const ByteSource& source, TitleInfo* info) {
  std::uint8_t block[kMaxExecutableRead];
  if (source.size < kHeaderBytes) return kMalformed;
  if (source.read(source.context, 0, kHeaderBytes, block) != 0) {
    return kUnreadable;
  }
  if (std::memcmp(block, "XEX2", 4) != 0) return kMalformed;
  const std::uint32_t count = ReadBig32(block + kHeaderCountField);
  if (count > kMaxOptionalHeaders) return kMalformed;
  const std::uint32_t directoryBytes = count * kDirectoryEntryBytes;
  if (std::uint64_t{kHeaderBytes} + directoryBytes > source.size) {
    return kMalformed;
  }
  if (source.read(source.context, kHeaderBytes, directoryBytes, block) != 0) {
    return kUnreadable;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = block + i * kDirectoryEntryBytes;
    if (ReadBig32(entry) != kExecutionInfoKey) continue;
    const std::uint32_t offset = ReadBig32(entry + 4);
    if (std::uint64_t{offset} + kExecutionInfoBytes > source.size) {
      return kMalformed;
    }
    std::uint8_t record[kExecutionInfoBytes];
    if (source.read(source.context, offset, kExecutionInfoBytes, record) != 0) {
      return kUnreadable;
    }
    info->title.clear();
    info->region = 0;
    info->version = ReadBig32(record + kVersionField);
    info->titleId = ReadBig32(record + kTitleIdField);
    info->disc = record[kDiscNumberField];
    info->parsed = true;
    return kParsed;
  }
  return kMalformed;
}
