#include "path/safename.h"

#include <cctype>

namespace {

// Windows opens a device, not a file, for these names in every folder,
// whatever extension follows.
bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(c & 0xFF));
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (base == device) return true;
  }
  return base.size() == 4 &&
         (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace

bool IsSafeName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  // Windows drops a trailing dot or space: the name would stand for another.
  if (name.back() == '.' || name.back() == ' ') return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':') {
      return false;
    }
  }
  return !IsDeviceName(name);
}
