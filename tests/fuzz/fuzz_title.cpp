// The input is a whole executable, XBE or XEX; both parsers read it through
// a source that checks every range they ask for against the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "plugin/executable.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "parser broke its promise: %s\n", what);
  std::abort();
}

struct Source {
  const std::uint8_t* bytes;
  std::uint32_t size;
  int reads;
};

int Read(void* context, std::uint32_t offset, std::uint32_t length,
         std::uint8_t* out) {
  auto* source = static_cast<Source*>(context);
  Check(length <= kMaxExecutableRead, "read larger than promised");
  Check(std::uint64_t{offset} + length <= source->size, "read past the file");
  ++source->reads;
  std::memcpy(out, source->bytes + offset, length);
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size > UINT32_MAX) return 0;
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
  std::memcpy(bytes.get(), data, size);
  for (auto parse : {ParseXbe, ParseXex}) {
    Source source{bytes.get(), static_cast<std::uint32_t>(size), 0};
    TitleInfo info;
    const int result = parse(ByteSource{Read, &source, source.size}, &info);
    Check(result == kParsed || result == kMalformed, "unknown result");
    Check(source.reads <= 3, "more than three reads");
    Check(info.parsed == (result == kParsed), "parsed flag disagrees");
    Check(info.title.size() <= 40, "title longer than its field");
    Check(info.title.find(WCHAR{0}) == WideString::npos, "NUL in a title");
  }
  return 0;
}
