#include <cstring>

#include "plugin/executable.h"

namespace {

constexpr std::uint32_t kBaseAddressField = 0x104;
constexpr std::uint32_t kCertificateAddressField = 0x118;
constexpr std::uint32_t kHeaderBytes = kCertificateAddressField + 4;

constexpr std::uint32_t kTitleIdField = 0x8;
constexpr std::uint32_t kTitleNameField = 0xC;
constexpr std::uint32_t kTitleNameUnits = 40;
constexpr std::uint32_t kGameRegionField = 0xA0;
constexpr std::uint32_t kDiscNumberField = 0xA8;
constexpr std::uint32_t kVersionField = 0xAC;
constexpr std::uint32_t kCertificateBytes = kVersionField + 4;

std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) |
         static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 |
         static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

int ParseXbe(const ByteSource& source, TitleInfo* info) {
  if (source.size < kHeaderBytes) return kMalformed;
  std::uint8_t header[kHeaderBytes];
  if (source.read(source.context, 0, kHeaderBytes, header) != 0) {
    return kUnreadable;
  }
  if (std::memcmp(header, "XBEH", 4) != 0) return kMalformed;
  const std::uint32_t base = Read32(header + kBaseAddressField);
  const std::uint32_t address = Read32(header + kCertificateAddressField);
  // 64 bits: no sum of hostile addresses wraps around, on 32-bit either.
  if (address < base ||
      std::uint64_t{address - base} + kCertificateBytes > source.size) {
    return kMalformed;
  }
  std::uint8_t certificate[kCertificateBytes];
  if (source.read(source.context, address - base, kCertificateBytes,
                  certificate) != 0) {
    return kUnreadable;
  }
  info->title.clear();
  for (std::uint32_t i = 0; i < kTitleNameUnits; ++i) {
    const std::uint8_t* unit = certificate + kTitleNameField + 2 * i;
    const auto value = static_cast<WCHAR>(unit[0] | unit[1] << 8);
    if (value == 0) break;
    info->title += value;
  }
  info->titleId = Read32(certificate + kTitleIdField);
  info->region = Read32(certificate + kGameRegionField);
  // The certificate counts discs from 0; 0xFFFFFFFF would show as disc 0.
  info->disc = Read32(certificate + kDiscNumberField) + 1;
  info->version = Read32(certificate + kVersionField);
  info->parsed = true;
  return kParsed;
}
