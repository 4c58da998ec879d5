// The game's executable in a disc's root and the fields read from it: the
// certificate of an XBE (the first console), the execution info of an XEX
// (its successor). The parsers are pure: they see the file only through a
// ByteSource, never ask it for a byte outside the file, and read a bounded
// number of small ranges, whatever the bytes say.
#pragma once

#include <cstdint>

#include "plugin/cp1252.h"

enum class Platform { kNone, kXbox, kXbox360 };

struct TitleInfo {
  Platform platform = Platform::kNone;
  // The executable's fields below were read; false when it is malformed.
  bool parsed = false;
  WideString title;  // XBE only: up to 40 units, as stored
  std::uint32_t titleId = 0;
  std::uint32_t version = 0;
  std::uint32_t region = 0;  // XBE game-region flags; 0 for an XEX
  std::uint32_t disc = 0;    // as shown: counted from 1
};

// The executable's bytes. read fills out with the length bytes at offset,
// which the parsers keep within size; 0 done, any other value failed.
struct ByteSource {
  int (*read)(void* context, std::uint32_t offset, std::uint32_t length,
              std::uint8_t* out);
  void* context;
  std::uint32_t size;
};

// The most a parser asks for at once.
constexpr std::uint32_t kMaxExecutableRead = 2072;

constexpr int kParsed = 0;
constexpr int kMalformed = 1;   // not what it claims, or cut short
constexpr int kUnreadable = 2;  // the source failed a read

// Results as above; the fields of *info are set only on kParsed.
int ParseXbe(const ByteSource& source, TitleInfo* info);
int ParseXex(const ByteSource& source, TitleInfo* info);
