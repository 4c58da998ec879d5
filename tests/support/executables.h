// Game executables crafted byte by byte, images that hold them in their
// root, and asking a plug-in for a content field as a host does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/testdisc.h"

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value);
void PutBig32(Bytes& bytes, std::size_t at, std::uint32_t value);

// Where Xbe puts the certificate: right behind the header, as linkers do.
constexpr std::size_t kCertificate = 0x178;

struct Certificate {
  std::u16string title = u"Crafted Game";
  std::uint32_t titleId = 0x4D530004;
  std::uint32_t region = 0x1;
  std::uint32_t disc = 0;
  std::uint32_t version = 0x00000102;
};

Bytes Xbe(const Certificate& c);
// An XEX2 with two other optional headers before the execution info, which
// lies at infoOffset: title ID 4D5307E6, version 20000B00, disc 2 of 2.
Bytes Xex(std::uint32_t infoOffset);

// An image whose root holds executable under name, among other entries.
std::string WriteGameImage(
    const TempDir& dir, const std::string& name, const Bytes& executable,
    imagewriter::DiscLayout layout = imagewriter::DiscLayout::kPlain,
    imagewriter::LayoutReport* report = nullptr);

// A field's answer as a host reads it from a 2049-byte buffer.
struct FieldAnswer {
  int type = 0;
  std::string text;  // strings; a wide one in UTF-8
  std::int32_t number = 0;
};
typedef int(WINAPI* ValueFn)(char*, int, int, void*, int, int);
typedef int(WINAPI* ValueWFn)(WCHAR*, int, int, void*, int, int);
// Through wide when given, else through narrow; path in ASCII.
FieldAnswer AskField(ValueFn narrow, ValueWFn wide, const std::string& path,
                     int index);
