#include "plugin/disctitle.h"

#include <cstring>
#include <vector>

#include "disc/device.h"
#include "disc/format.h"
#include "disc/partition.h"

namespace {

// A root table beyond this holds thousands of entries; no real disc has
// one, and reading it would cost more than the fields are worth.
constexpr std::uint32_t kMaxRootTableBytes = 256 * 1024;
// The whole sectors that the longest parser read spans at any offset.
constexpr std::uint32_t kWindowBytes =
    (kMaxExecutableRead + 2 * kSectorSize - 2) / kSectorSize * kSectorSize;

// Sector-aligned reads into a block, as unbuffered devices want them.
// 0 and *got := what came (short only where the device ends); 1 failed.
int ReadSectors(const Device& device, std::uint64_t offset, std::uint32_t bytes,
                std::uint8_t* block, DWORD* got) {
  *got = 0;
  if (vepo_seek(device, static_cast<std::int64_t>(offset)) != 0) return 1;
  return ReadFile(device.handle, block, bytes, got, nullptr) ? 0 : 1;
}

// The executable as a ByteSource: the last sectors read stay in the window,
// so that a certificate in the header's sector costs no second read.
struct DeviceWindow {
  const Device* device;
  std::uint64_t start;  // the file's first byte on the device
  std::uint8_t* block;
  std::uint64_t windowStart;
  std::uint32_t windowBytes;
};

int ReadFromWindow(void* context, std::uint32_t offset, std::uint32_t length,
                   std::uint8_t* out) {
  auto* window = static_cast<DeviceWindow*>(context);
  const std::uint64_t begin = window->start + offset;
  const std::uint64_t end = begin + length;
  if (window->windowBytes == 0 || begin < window->windowStart ||
      end > window->windowStart + window->windowBytes) {
    const std::uint64_t first = begin / kSectorSize * kSectorSize;
    const std::uint64_t last =
        (end + kSectorSize - 1) / kSectorSize * kSectorSize;
    if (last - first > kWindowBytes) return 1;
    DWORD got = 0;
    window->windowBytes = 0;
    if (ReadSectors(*window->device, first,
                    static_cast<std::uint32_t>(last - first), window->block,
                    &got) != 0 ||
        got < end - first) {
      return 1;
    }
    window->windowStart = first;
    window->windowBytes = got;
  }
  std::memcpy(out, window->block + (begin - window->windowStart), length);
  return 0;
}

bool SameNameIgnoringCase(const std::string& name, const char* wanted) {
  const std::size_t length = std::strlen(wanted);
  if (name.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != wanted[i]) return false;
  }
  return true;
}

// 0 and the root's entries; kTitleNone for an empty table; kTitleUnreadable.
int ReadRootTable(const Device& device, const Extent& root,
                  std::vector<DirNode>& entries) {
  if (root.size == 0) return kTitleNone;
  if (root.size > kMaxRootTableBytes) return kTitleUnreadable;
  const std::uint32_t bytes =
      (root.size + kSectorSize - 1) / kSectorSize * kSectorSize;
  auto* block = static_cast<std::uint8_t*>(AllocBlock(bytes));
  if (!block) return kTitleUnreadable;
  DWORD got = 0;
  int result = kTitleUnreadable;
  if (ReadSectors(device, root.byteOffset, bytes, block, &got) == 0 &&
      got >= root.size) {
    vepo_scandirtable(block, root.size, entries);
    result = 0;
  }
  FreeBlock(block);
  return result;
}

int ParseExecutable(const Device& device, const DirNode& file,
                    Platform platform, TitleInfo* info) {
  auto* block = static_cast<std::uint8_t*>(AllocBlock(kWindowBytes));
  if (!block) return kTitleUnreadable;
  DeviceWindow window{&device, file.byteOffset, block, 0, 0};
  const ByteSource source{ReadFromWindow, &window, file.size};
  const int parsed = platform == Platform::kXbox ? ParseXbe(source, info)
                                                 : ParseXex(source, info);
  FreeBlock(block);
  if (parsed == kUnreadable) return kTitleUnreadable;
  info->platform = platform;
  return kTitleRead;
}

}  // namespace

int ReadDiscTitle(Device& device, TitleInfo* info,
                  DescriptorSector* descriptor) {
  Extent root;
  if (vepo_findpartition(device, &root, nullptr, descriptor) != 0) {
    return kTitleNone;
  }
  std::vector<DirNode> entries;
  const int listed = ReadRootTable(device, root, entries);
  if (listed != 0) return listed;
  // Should a root hold both, the XBE names the game.
  const struct {
    const char* name;
    Platform platform;
  } kExecutables[] = {{"default.xbe", Platform::kXbox},
                      {"default.xex", Platform::kXbox360}};
  for (const auto& executable : kExecutables) {
    for (const DirNode& entry : entries) {
      if (!IsDirectory(entry) &&
          SameNameIgnoringCase(entry.name, executable.name)) {
        *info = TitleInfo();
        return ParseExecutable(device, entry, executable.platform, info);
      }
    }
  }
  return kTitleNone;
}
