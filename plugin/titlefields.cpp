#include "plugin/titlefields.h"

#include <cstdio>
#include <cstring>

#include "plugin/disctitle.h"
#include "plugin/wdxapi.h"

namespace {

struct Field {
  const char* name;
  int type;
};

// In FieldIndex order.
constexpr Field kFields[] = {
    {"Title", ft_stringw},   {"Title ID", ft_string}, {"Region", ft_string},
    {"Disc", ft_numeric_32}, {"Version", ft_string},  {"Platform", ft_string},
};
constexpr int kFieldCount = sizeof kFields / sizeof kFields[0];

constexpr WCHAR kReplacement = 0xFFFD;

bool IsHighSurrogate(WCHAR unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(WCHAR unit) { return unit >= 0xDC00 && unit < 0xE000; }

// Calls emit(code point) for each character, a lone surrogate as U+FFFD.
template <typename Emit>
void ForEachCodePoint(const WideString& text, Emit emit) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const WCHAR unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() &&
        IsLowSurrogate(text[i + 1])) {
      emit(0x10000 + ((unit - 0xD800u) << 10) + (text[i + 1] - 0xDC00u));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      emit(kReplacement);
    } else {
      emit(unit);
    }
  }
}

// The 8-bit call's text: UTF-8 where hosts read it so (Linux), else
// Windows-1252, as the DLLs show names on a disc, '?' for what it lacks.
#ifdef _WIN32
std::string NarrowTitle(const WideString& title) {
  std::string text;
  for (const WCHAR unit : TitleUtf16(title)) {
    unsigned char byte = '?';
    EncodeCp1252(unit, &byte);
    text += static_cast<char>(byte);
  }
  return text;
}
#else
std::string NarrowTitle(const WideString& title) { return TitleUtf8(title); }
#endif

// Copies text with its NUL into maxlen bytes, cut before a UTF-8 sequence
// that would not fit whole.
void PutNarrow(const std::string& text, void* value, int maxlen) {
  if (maxlen <= 0) return;
  std::size_t length = text.size();
  if (length >= static_cast<std::size_t>(maxlen)) {
    length = static_cast<std::size_t>(maxlen) - 1;
    while (length > 0 && (text[length] & 0xC0) == 0x80) --length;
  }
  std::memcpy(value, text.data(), length);
  static_cast<char*>(value)[length] = '\0';
}

// The same in UTF-16 units; maxlen counts bytes.
void PutWide(const WideString& text, void* value, int maxlen) {
  const std::size_t room =
      maxlen > 0 ? static_cast<std::size_t>(maxlen) / 2 : 0;
  if (room == 0) return;
  std::size_t length = text.size() < room ? text.size() : room - 1;
  if (length > 0 && length < text.size() && IsHighSurrogate(text[length - 1])) {
    --length;
  }
  WCHAR* out = static_cast<WCHAR*>(value);
  std::memcpy(out, text.data(), length * sizeof(WCHAR));
  out[length] = 0;
}

int PutText(const std::string& text, void* value, int maxlen) {
  if (text.empty()) return ft_fieldempty;
  PutNarrow(text, value, maxlen);
  return ft_string;
}

const char* PlatformName(Platform platform) {
  return platform == Platform::kXbox ? "Xbox" : "Xbox 360";
}

}  // namespace

std::string HexText(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

std::string RegionText(std::uint32_t flags) {
  const struct {
    std::uint32_t bit;
    const char* name;
  } kRegions[] = {
      {0x1, "NTSC-U"}, {0x2, "NTSC-J"}, {0x4, "PAL"}, {0x80000000u, "Debug"}};
  std::string text;
  for (const auto& region : kRegions) {
    if ((flags & region.bit) == 0) continue;
    if (!text.empty()) text += '/';
    text += region.name;
  }
  return text;
}

std::string TitleUtf8(const WideString& title) {
  std::string text;
  ForEachCodePoint(title, [&text](std::uint32_t code) {
    if (code < 0x80) {
      text += static_cast<char>(code);
    } else if (code < 0x800) {
      text += static_cast<char>(0xC0 | code >> 6);
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      text += static_cast<char>(0xE0 | code >> 12);
      text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | code >> 18);
      text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    }
  });
  return text;
}

WideString TitleUtf16(const WideString& title) {
  WideString text;
  ForEachCodePoint(title, [&text](std::uint32_t code) {
    if (code < 0x10000) {
      text += static_cast<WCHAR>(code);
    } else {
      text += static_cast<WCHAR>(0xD800 + ((code - 0x10000) >> 10));
      text += static_cast<WCHAR>(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
  });
  return text;
}

int SupportedField(int index, char* name, char* units, int maxlen) {
  if (index < 0 || index >= kFieldCount) return ft_nomorefields;
  PutNarrow(kFields[index].name, name, maxlen);
  PutNarrow("", units, maxlen);
  return kFields[index].type;
}

int FieldValue(int read, const TitleInfo& info, int index, bool wide,
               void* value, int maxlen) {
  if (index < 0 || index >= kFieldCount) return ft_nosuchfield;
  if (read == kTitleUnreadable) return ft_fileerror;
  if (read != kTitleRead) return ft_fieldempty;
  const auto field = static_cast<FieldIndex>(index);
  if (field == FieldIndex::kPlatform) {
    return PutText(PlatformName(info.platform), value, maxlen);
  }
  if (!info.parsed) return ft_fieldempty;
  switch (field) {
    case FieldIndex::kTitle:
      if (info.title.empty()) return ft_fieldempty;
      if (!wide) return PutText(NarrowTitle(info.title), value, maxlen);
      PutWide(TitleUtf16(info.title), value, maxlen);
      return ft_stringw;
    case FieldIndex::kTitleId:
      return PutText(HexText(info.titleId), value, maxlen);
    case FieldIndex::kRegion:
      return PutText(RegionText(info.region), value, maxlen);
    case FieldIndex::kDisc:
      if (maxlen < static_cast<int>(sizeof(std::int32_t))) return ft_fileerror;
      std::memcpy(value, &info.disc, sizeof info.disc);
      return ft_numeric_32;
    case FieldIndex::kVersion:
      return PutText(HexText(info.version), value, maxlen);
    default:
      return ft_nosuchfield;
  }
}
