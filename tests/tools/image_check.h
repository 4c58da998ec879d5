// Test helpers: a scratch folder, and a decoder of XDVDFS images written
// apart from the writer so the two check each other.
#ifndef TESTS_TOOLS_IMAGE_CHECK_H_
#define TESTS_TOOLS_IMAGE_CHECK_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace image_check {

constexpr uint32_t kSector = 2048;

// A fresh folder under the system's temp folder, removed with its contents.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() /
              ("imagewriter-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string Path(const std::string& relative) const {
    return (path_ / relative).string();
  }
  void WriteFile(const std::string& relative, const std::string& content) {
    std::filesystem::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << content;
  }

 private:
  std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path, uint64_t offset,
                                      size_t length) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::vector<uint8_t> bytes(length);
  in.read(reinterpret_cast<char*>(bytes.data()),
          static_cast<std::streamsize>(length));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

inline uint32_t Le(const std::vector<uint8_t>& bytes, size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[at + i];
  return value;
}

struct Entry {
  uint32_t offset = 0;  // byte position in its table
  uint16_t left = 0;
  uint16_t right = 0;
  uint32_t startSector = 0;
  uint32_t size = 0;
  uint8_t attributes = 0;
  std::string name;
};

// Decodes a table strictly: entries never cross a sector, a sector's unused
// rest is all 0xFF, and an entry moves to the next sector only when it did
// not fit in the rest of the previous one.
inline std::vector<Entry> DecodeTable(const std::vector<uint8_t>& table) {
  std::vector<Entry> entries;
  uint32_t previousRoom = 0;
  for (uint32_t sector = 0; sector * kSector < table.size(); ++sector) {
    uint32_t p = sector * kSector;
    const uint32_t end = p + kSector;
    bool first = true;
    while (p + 14 <= end && Le(table, p, 2) != 0xFFFF) {
      Entry e;
      e.offset = p;
      e.left = static_cast<uint16_t>(Le(table, p, 2));
      e.right = static_cast<uint16_t>(Le(table, p + 2, 2));
      e.startSector = Le(table, p + 4, 4);
      e.size = Le(table, p + 8, 4);
      e.attributes = table[p + 12];
      const uint32_t step = (14u + table[p + 13] + 3) & ~3u;
      EXPECT_LE(p + step, end) << "entry crosses a sector at " << p;
      if (p + step > end) return entries;
      e.name.assign(table.begin() + p + 14,
                    table.begin() + p + 14 + table[p + 13]);
      if (first && sector > 0) {
        EXPECT_GT(step, previousRoom) << "needless fill before " << p;
      }
      first = false;
      entries.push_back(e);
      p += step;
    }
    previousRoom = end - p;
    for (uint32_t i = p; i < end; ++i) {
      if (table[i] != 0xFF) {
        ADD_FAILURE() << "fill byte " << int{table[i]} << " at " << i;
        break;
      }
    }
  }
  return entries;
}

inline std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// Walks the search tree from the first entry, which nothing can point at
// (offset 0 means none); returns its height. Every entry must be reached
// exactly once, in case-insensitive name order.
inline int CheckSearchTree(const std::vector<Entry>& entries) {
  if (entries.empty()) return 0;
  std::map<uint32_t, const Entry*> byOffset;
  for (const Entry& e : entries) byOffset[e.offset] = &e;
  std::vector<std::string> inOrder;
  std::function<int(const Entry&)> walk;
  auto follow = [&](uint16_t link) {
    if (link == 0) return 0;
    auto child = byOffset.find(link * 4u);
    if (child == byOffset.end() || child->second == nullptr) {
      ADD_FAILURE() << "offset " << link << " dangles or revisits";
      return 0;
    }
    const Entry& next = *child->second;
    child->second = nullptr;
    return walk(next);
  };
  walk = [&](const Entry& e) {
    const int left = follow(e.left);
    inOrder.push_back(Upper(e.name));
    const int right = follow(e.right);
    return 1 + std::max(left, right);
  };
  byOffset[0] = nullptr;
  const int height = walk(entries.front());
  EXPECT_EQ(inOrder.size(), entries.size());
  EXPECT_TRUE(std::is_sorted(inOrder.begin(), inOrder.end()));
  return height;
}

struct Volume {
  std::vector<uint8_t> descriptor;
  std::map<std::string, Entry> entries;              // by '/'-joined path
  std::map<std::string, std::vector<Entry>> tables;  // by folder path
};

inline void DecodeFolder(const std::string& image, const std::string& path,
                         uint32_t sector, uint32_t size, Volume* volume) {
  const std::vector<Entry> entries =
      DecodeTable(ReadBytes(image, uint64_t{sector} * kSector, size));
  volume->tables[path] = entries;
  for (const Entry& e : entries) {
    const std::string child = path.empty() ? e.name : path + "/" + e.name;
    volume->entries[child] = e;
    if (e.attributes & 0x10) {
      DecodeFolder(image, child, e.startSector, e.size, volume);
    }
  }
}

inline Volume DecodeImage(const std::string& image) {
  Volume volume;
  volume.descriptor = ReadBytes(image, 32 * kSector, kSector);
  if (volume.descriptor.size() == kSector) {
    DecodeFolder(image, "", Le(volume.descriptor, 20, 4),
                 Le(volume.descriptor, 24, 4), &volume);
  }
  return volume;
}

}  // namespace image_check

#endif  // TESTS_TOOLS_IMAGE_CHECK_H_
