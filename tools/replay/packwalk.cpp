#include "tools/replay/packwalk.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "plugin/cp1252.h"
#include "tools/replay/binding.h"
#include "tools/replay/walker.h"

namespace {

// The volume descriptor's creation time, a FILETIME.
constexpr std::uint64_t kTimeOffset = 32 * 2048 + 28;
constexpr std::size_t kTimeBytes = 8;
constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;

unsigned gReports = 0;
unsigned long long gBytes = 0;

int WINAPI OnPackData(WCHAR*, int size) {
  ++gReports;
  gBytes += size > 0 ? static_cast<unsigned>(size) : 0;
  return 1;
}

// The list as written, with this side's separator and the empty name that
// ends it.
WideString ReadList(const std::string& path) {
  WideString units;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    for (int low; (low = std::fgetc(file)) != EOF;) {
      const int high = std::fgetc(file);
      units += static_cast<WCHAR>(low | (high == EOF ? 0 : high) << 8);
    }
    std::fclose(file);
  }
  for (WCHAR& unit : units) {
    if (unit == '/') unit = static_cast<WCHAR>(LocalSeparator());
  }
  return units + WCHAR{0} + WCHAR{0};
}

// Paths in messages: the source folder and the image as placeholders, the
// separators as '/', since the local side's paths differ between builds.
std::string Placeholders(std::string text, const std::string& source,
                         const std::string& image) {
  for (const auto& [path, shown] :
       {std::pair{source, "<src>/"}, std::pair{image, "<image>"}}) {
    for (std::size_t at; (at = text.find(path)) != std::string::npos;) {
      text.replace(at, path.size(), shown);
    }
  }
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

// "ok" when the image's creation time lies within [before, after]; empty
// when there is no image.
std::string TimeCheck(const std::string& image, std::time_t before,
                      std::time_t after) {
  unsigned char bytes[kTimeBytes] = {};
  std::FILE* file = std::fopen(image.c_str(), "rb");
  if (!file) return "";
  const bool read = std::fseek(file, kTimeOffset, SEEK_SET) == 0 &&
                    std::fread(bytes, 1, kTimeBytes, file) == kTimeBytes;
  std::fclose(file);
  std::uint64_t stamp = 0;
  for (std::size_t i = kTimeBytes; i-- > 0;) stamp = stamp << 8 | bytes[i];
  const std::uint64_t first =
      kUnixEpoch + static_cast<std::uint64_t>(before) * 10000000;
  const std::uint64_t last =
      kUnixEpoch + static_cast<std::uint64_t>(after) * 10000000;
  if (read && stamp >= first && stamp <= last) return "ok";
  char shown[40];
  std::snprintf(shown, sizeof shown, "bad:%016llx",
                static_cast<unsigned long long>(stamp));
  return shown;
}

}  // namespace

void PackPlan(const ArchivePlugin& calls, const std::string& plan,
              const std::string& image) {
  const char separator = LocalSeparator();
  const std::string source = plan + separator + "src" + separator;
  WideString list = ReadList(plan + separator + "list");
  // Paths here are ASCII (the work folder's).
  WideString target = DecodeCp1252(image);
  WideString from = DecodeCp1252(source);
  std::remove(image.c_str());
  gReports = 0;
  gBytes = 0;
  calls.setProgress(INVALID_HANDLE_VALUE, OnPackData);
  const std::time_t before = std::time(nullptr);
  const int result =
      calls.pack(&target[0], nullptr, &from[0], &list[0], PK_PACK_SAVE_PATHS);
  const std::time_t after = std::time(nullptr);
  std::printf("PACK %d reports=%u bytes=%llu\n", result, gReports, gBytes);
  for (const BoxMessage& box : TakeMessageBoxes()) {
    std::printf("BOX %s %s\n",
                box.hasCaption ? Shown(box.caption.c_str()).c_str() : "null",
                Shown(Placeholders(box.text, source, image).c_str()).c_str());
  }
  const std::string time = TimeCheck(image, before, after);
  if (time.empty()) {
    std::printf("PACKED none\n");
  } else {
    const auto [size, hash] = FileFingerprint(image, kTimeOffset, kTimeBytes);
    std::printf("PACKED bytes=%llu fnv=%016llx time=%s\n", size, hash,
                time.c_str());
  }
  const std::string partial = image + ".partial";
  if (std::FILE* file = std::fopen(partial.c_str(), "rb")) {
    std::fclose(file);
    std::printf("LEAK <image>.partial left\n");
  }
  std::fflush(stdout);
}
