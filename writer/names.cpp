// The console's name order, which its lookup walks the tables' trees by.
#include <algorithm>

#include "writer/writer.h"

namespace writer {

namespace {

std::uint8_t UpperAscii(std::uint8_t c) {
  return (c >= 'a' && c <= 'z') ? static_cast<std::uint8_t>(c - 'a' + 'A') : c;
}

}  // namespace

bool NameLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return UpperAscii(static_cast<std::uint8_t>(x)) <
               UpperAscii(static_cast<std::uint8_t>(y));
      });
}

}  // namespace writer
