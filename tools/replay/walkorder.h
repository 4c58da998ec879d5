// The order and bounds in which a disc is walked by the image fuzzer and by
// the replay host alike: folders breadth first from the drive, each listed
// once, its files copied as they come, a directory cycle kept finite.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

constexpr std::size_t kWalkMaxFolders = 48;
constexpr int kWalkMaxDepth = 6;
constexpr std::size_t kWalkMaxCopies = 48;

// list(path) returns the folder's records; copy(path) copies one file.
template <typename List, typename Copy>
void WalkBreadthFirst(const std::string& drivePath, List list, Copy copy) {
  std::deque<std::pair<std::string, int>> folders = {{drivePath, 0}};
  std::size_t listed = 0;
  std::size_t copies = 0;
  while (!folders.empty() && listed < kWalkMaxFolders) {
    const auto [path, depth] = folders.front();
    folders.pop_front();
    ++listed;
    const std::vector<WIN32_FIND_DATAA> records = list(path);
    for (const WIN32_FIND_DATAA& record : records) {
      const std::string child = path + "\\" + record.cFileName;
      if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (depth < kWalkMaxDepth) folders.emplace_back(child, depth + 1);
      } else if (copies < kWalkMaxCopies) {
        ++copies;
        copy(child);
      }
    }
  }
}
