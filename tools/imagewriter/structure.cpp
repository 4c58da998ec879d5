#include "tools/imagewriter/structure.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "writer/encode.h"
#include "writer/writer.h"

namespace imagewriter {

namespace {

using writer::kSectorSize;

struct Entry {
  std::uint32_t offset = 0;
  std::uint16_t left = 0;
  std::uint16_t right = 0;
  std::uint32_t sector = 0;
  std::uint32_t size = 0;
  std::uint8_t attributes = 0;
  std::string name;
};

struct Check {
  std::FILE* file = nullptr;
  std::uint64_t base = 0;
  std::uint64_t fileSize = 0;
  std::uint64_t tablesEnd = 0;  // first sector past every table so far
  std::uint64_t dataEnd = 0;    // first sector past the data so far
  std::vector<Entry> files;     // walk order, names as paths
  std::string fault;
};

std::uint32_t Le(const std::vector<std::uint8_t>& bytes, std::size_t at,
                 int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[at + i];
  return value;
}

bool Fail(Check* check, const std::string& fault) {
  if (check->fault.empty()) check->fault = fault;
  return false;
}

bool Read(Check* check, std::uint64_t sector, std::uint32_t size,
          std::vector<std::uint8_t>* bytes) {
  const std::uint64_t at = check->base + sector * kSectorSize;
  bytes->assign(size, 0);
  if (at + size > check->fileSize) return Fail(check, "read past the end");
  std::fseek(check->file, static_cast<long>(at), SEEK_SET);
  return std::fread(bytes->data(), 1, size, check->file) == size ||
         Fail(check, "cannot read");
}

// Entries in scan order; the sector rule and the 0xFF fill.
bool DecodeTable(Check* check, const std::vector<std::uint8_t>& table,
                 const std::string& path, std::vector<Entry>* entries) {
  for (std::uint32_t sector = 0; sector * kSectorSize < table.size();
       ++sector) {
    std::uint32_t p = sector * kSectorSize;
    const std::uint32_t end = p + kSectorSize;
    while (p + 14 <= end && Le(table, p, 2) != 0xFFFF) {
      Entry e{p,
              static_cast<std::uint16_t>(Le(table, p, 2)),
              static_cast<std::uint16_t>(Le(table, p + 2, 2)),
              Le(table, p + 4, 4),
              Le(table, p + 8, 4),
              table[p + 12],
              {}};
      const std::uint32_t step = writer::EncodedEntrySize(table[p + 13]);
      if (p + step > end) return Fail(check, path + ": entry crosses a sector");
      e.name.assign(table.begin() + p + 14,
                    table.begin() + p + 14 + table[p + 13]);
      if (e.name.empty()) return Fail(check, path + ": empty name");
      entries->push_back(e);
      p += step;
    }
    for (; p < end; ++p) {
      if (table[p] != 0xFF) return Fail(check, path + ": fill is not 0xFF");
    }
  }
  return true;
}

// Height of the subtree at offset, every entry in bounds of its parent's
// names; -1 on a fault.
int Walk(Check* check, const std::map<std::uint32_t, const Entry*>& byOffset,
         std::map<std::uint32_t, bool>* seen, std::uint32_t offset,
         const std::string* low, const std::string* high,
         const std::string& path) {
  const auto found = byOffset.find(offset);
  if (found == byOffset.end() || (*seen)[offset]) {
    Fail(check, path + ": a link dangles or revisits");
    return -1;
  }
  (*seen)[offset] = true;
  const Entry& e = *found->second;
  if ((low && !writer::NameLess(*low, e.name)) ||
      (high && !writer::NameLess(e.name, *high))) {
    Fail(check, path + "/" + e.name + ": out of the console's order");
    return -1;
  }
  const int left =
      e.left ? Walk(check, byOffset, seen, e.left * 4u, low, &e.name, path) : 0;
  const int right =
      e.right ? Walk(check, byOffset, seen, e.right * 4u, &e.name, high, path)
              : 0;
  if (left < 0 || right < 0) return -1;
  if (left - right > 1 || right - left > 1) {
    Fail(check, path + "/" + e.name + ": unbalanced");
    return -1;
  }
  return 1 + (left > right ? left : right);
}

bool CheckFolder(Check* check, std::uint32_t sector, std::uint32_t size,
                 const std::string& path);

bool CheckEntries(Check* check, const std::vector<Entry>& entries,
                  const std::string& path) {
  std::map<std::uint32_t, const Entry*> byOffset;
  std::map<std::uint32_t, bool> seen;
  for (const Entry& e : entries) byOffset[e.offset] = &e;
  if (!entries.empty() &&
      Walk(check, byOffset, &seen, 0, nullptr, nullptr, path) < 0) {
    return false;
  }
  if (seen.size() != entries.size()) {
    return Fail(check, path + ": an entry the search cannot find");
  }
  for (const Entry& e : entries) {
    const std::string child = path + "/" + e.name;
    if (e.attributes == writer::kAttrDirectory) continue;
    if (e.attributes != writer::kAttrArchive) {
      return Fail(check, child + ": attributes");
    }
    check->files.push_back(e);
    check->files.back().name = child;
    if (e.size > 0 &&
        check->base + std::uint64_t{e.sector} * kSectorSize + e.size >
            check->fileSize) {
      return Fail(check, child + ": data past the end");
    }
  }
  for (const Entry& e : entries) {
    if (e.attributes == writer::kAttrDirectory &&
        !CheckFolder(check, e.sector, e.size, path + "/" + e.name)) {
      return false;
    }
  }
  return true;
}

bool CheckFolder(Check* check, std::uint32_t sector, std::uint32_t size,
                 const std::string& path) {
  if (size == 0 || size % kSectorSize != 0 || sector < check->tablesEnd) {
    return Fail(check, path + ": table out of place");
  }
  check->tablesEnd = sector + size / kSectorSize;
  std::vector<std::uint8_t> table;
  std::vector<Entry> entries;
  return Read(check, sector, size, &table) &&
         DecodeTable(check, table, path, &entries) &&
         CheckEntries(check, entries, path);
}

// File data after the tables, in the walk's order, never overlapping.
bool CheckData(Check* check) {
  std::uint64_t next = check->tablesEnd;
  for (const Entry& file : check->files) {
    if (file.sector < next) {
      return Fail(check, file.name + ": data out of walk order");
    }
    next = file.sector +
           (std::uint64_t{file.size} + kSectorSize - 1) / kSectorSize;
  }
  return true;
}

}  // namespace

std::string CheckImageStructure(const std::string& path, std::uint64_t base) {
  Check check;
  check.base = base;
  std::error_code ec;
  check.fileSize = std::filesystem::file_size(path, ec);
  check.file = std::fopen(path.c_str(), "rb");
  if (!check.file) return "cannot open " + path;
  std::vector<std::uint8_t> descriptor;
  if (Read(&check, writer::kVolumeDescriptorSector, kSectorSize, &descriptor)) {
    if (std::memcmp(&descriptor[0], writer::kSignature, 20) != 0 ||
        std::memcmp(&descriptor[writer::kSignatureTailOffset],
                    writer::kSignature, 20) != 0) {
      Fail(&check, "a signature is missing");
    } else {
      check.tablesEnd = writer::kVolumeDescriptorSector + 1;
      if (CheckFolder(&check, Le(descriptor, 20, 4), Le(descriptor, 24, 4),
                      "")) {
        CheckData(&check);
      }
    }
  }
  std::fclose(check.file);
  return check.fault;
}

}  // namespace imagewriter
