#include "platform/linux/sysfsdrives.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <tuple>

namespace {

constexpr char kBlockDevices[] = "/sys/block";

// The number after the prefix when name is prefix and digits only, else -1.
long DeviceNumber(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() ||
      name.compare(0, prefix.size(), prefix) != 0) {
    return -1;
  }
  const std::string digits = name.substr(prefix.size());
  if (digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(),
                   [](char c) { return std::isdigit(c & 0xFF) != 0; })) {
    return -1;
  }
  return std::stol(digits);
}

// Empty when the loop device is not attached.
std::string BackingFile(const std::string& device) {
  std::ifstream file(std::string(kBlockDevices) + "/" + device +
                     "/loop/backing_file");
  std::string line;
  std::getline(file, line);
  return line;
}

bool EndsWithFolded(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(),
                    text.end() - static_cast<long>(suffix.size()),
                    [](char a, char b) {
                      return std::tolower(a & 0xFF) == std::tolower(b & 0xFF);
                    });
}

}  // namespace

bool IsDiscImageName(const std::string& backingFile) {
  return EndsWithFolded(backingFile, ".iso") ||
         EndsWithFolded(backingFile, ".xiso");
}

std::vector<std::string> ListDriveDevices() {
  // (kind, number, name): optical drives are kind 0, loop devices kind 1.
  std::vector<std::tuple<int, long, std::string>> found;
  if (DIR* folder = opendir(kBlockDevices)) {
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (const long number = DeviceNumber(name, "sr"); number >= 0) {
        found.emplace_back(0, number, name);
      } else if (const long loop = DeviceNumber(name, "loop");
                 loop >= 0 && IsDiscImageName(BackingFile(name))) {
        found.emplace_back(1, loop, name);
      }
    }
    closedir(folder);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (const auto& drive : found) names.push_back(std::get<2>(drive));
  return names;
}
