#include "tests/support/executables.h"

#include <cstring>

#include "plugin/titlefields.h"
#include "plugin/wdxapi.h"

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = value >> (8 * i) & 0xFF;
}

void PutBig32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = value >> (24 - 8 * i) & 0xFF;
}

Bytes Xbe(const Certificate& c) {
  Bytes bytes(0x1000, 0);
  std::memcpy(bytes.data(), "XBEH", 4);
  Put32(bytes, 0x104, 0x10000);
  Put32(bytes, 0x118, 0x10000 + kCertificate);
  Put32(bytes, kCertificate + 0x8, c.titleId);
  for (std::size_t i = 0; i < c.title.size() && i < 40; ++i) {
    bytes[kCertificate + 0xC + 2 * i] = c.title[i] & 0xFF;
    bytes[kCertificate + 0xC + 2 * i + 1] = c.title[i] >> 8;
  }
  Put32(bytes, kCertificate + 0xA0, c.region);
  Put32(bytes, kCertificate + 0xA8, c.disc);
  Put32(bytes, kCertificate + 0xAC, c.version);
  return bytes;
}

Bytes Xex(std::uint32_t infoOffset) {
  Bytes bytes(0x4000, 0);
  std::memcpy(bytes.data(), "XEX2", 4);
  PutBig32(bytes, 0x14, 3);
  PutBig32(bytes, 0x18, 0x000002FF);
  PutBig32(bytes, 0x1C, 0x100);
  PutBig32(bytes, 0x20, 0x00010100);
  PutBig32(bytes, 0x24, 0x82000000);
  PutBig32(bytes, 0x28, 0x00040006);
  PutBig32(bytes, 0x2C, infoOffset);
  PutBig32(bytes, infoOffset, 0x12345678);       // media ID
  PutBig32(bytes, infoOffset + 4, 0x20000B00);   // version
  PutBig32(bytes, infoOffset + 8, 0x20000000);   // base version
  PutBig32(bytes, infoOffset + 12, 0x4D5307E6);  // title ID
  bytes[infoOffset + 22] = 2;                    // disc number, from 1
  bytes[infoOffset + 23] = 2;                    // disc count
  return bytes;
}

std::string WriteGameImage(const TempDir& dir, const std::string& name,
                           const Bytes& executable,
                           imagewriter::DiscLayout layout,
                           imagewriter::LayoutReport* report) {
  static int counter = 0;
  const std::string source = dir.File("exe" + std::to_string(++counter));
  WriteWholeFile(source, std::string(executable.begin(), executable.end()));
  const imagewriter::TreeNode tree = imagewriter::MakeDirectory(
      "", {imagewriter::MakePatternFile("a.bin", 5000, 1),
           imagewriter::MakeSourceFile(
               name, source, static_cast<std::uint32_t>(executable.size())),
           imagewriter::MakeDirectory(
               "media", {imagewriter::MakePatternFile("z.bin", 10, 2)})});
  imagewriter::WriteOptions options;
  options.layout = layout;
  return WriteTree(dir, tree, options, report);
}

FieldAnswer AskField(ValueFn narrow, ValueWFn wide, const std::string& path,
                     int index) {
  union {
    char bytes[2049];
    WCHAR units[1024];
    std::int32_t number;
  } value;
  std::memset(&value, 0x55, sizeof value);
  FieldAnswer answer;
  if (wide) {
    WideString name(path.begin(), path.end());
    answer.type = wide(&name[0], index, 0, &value, 2049, 0);
  } else {
    std::string name = path;
    answer.type = narrow(&name[0], index, 0, &value, 2049, 0);
  }
  if (answer.type == ft_string) answer.text = value.bytes;
  if (answer.type == ft_stringw) answer.text = TitleUtf8(value.units);
  if (answer.type == ft_numeric_32) answer.number = value.number;
  return answer;
}
