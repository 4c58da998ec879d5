// bench_extract: the archive plug-in as a file manager drives it, natively.
//
//   bench_extract IMAGE DEST   every file of the image file extracted below
//                              DEST (folders made by this host, as the file
//                              manager makes them)
//   bench_extract --list WORK [ROUNDS]
//                              writes a 200,000-file image in WORK, lists
//                              it through the headers ROUNDS times (default
//                              5) and prints the time and the heap per entry
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/exports.h"
#include "bench/benchutil.h"
#include "plugin/cp1252.h"
#include "tools/imagewriter/imagewriter.h"

namespace {

constexpr std::uint32_t kFiles = 200000;
constexpr std::uint32_t kFilesPerFolder = 100;

HANDLE Open(const std::string& image, int mode) {
  WideString name = DecodeCp1252(image);
  tOpenArchiveDataW data{};
  data.ArcName = &name[0];
  data.OpenMode = mode;
  HANDLE archive = OpenArchiveW(&data);
  if (!archive)
    std::fprintf(stderr, "bench_extract: open %d\n", data.OpenResult);
  return archive;
}

std::string PathOf(const tHeaderDataExW& header) {
  std::string path;
  for (std::size_t i = 0; header.FileName[i]; ++i) {
    unsigned char byte = '?';
    EncodeCp1252(header.FileName[i], &byte);
    path += static_cast<char>(byte == '\\' ? '/' : byte);
  }
  return path;
}

int Extract(const std::string& image, const std::string& dest) {
  HANDLE archive = Open(image, PK_OM_EXTRACT);
  if (!archive) return 1;
  tHeaderDataExW header;
  int failures = 0;
  while (ReadHeaderExW(archive, &header) == 0) {
    WideString target = DecodeCp1252(dest + "/" + PathOf(header));
    if (header.FileAttr & FILE_ATTRIBUTE_DIRECTORY) {
      mkdir((dest + "/" + PathOf(header)).c_str(), 0755);
      ProcessFileW(archive, PK_SKIP, nullptr, nullptr);
    } else if (ProcessFileW(archive, PK_EXTRACT, nullptr, &target[0]) != 0) {
      ++failures;
    }
  }
  CloseArchive(archive);
  return failures == 0 ? 0 : 1;
}

int List(const std::string& work, int rounds) {
  imagewriter::TreeNode root = imagewriter::MakeDirectory("");
  for (std::uint32_t f = 0; f < kFiles; ++f) {
    if (f % kFilesPerFolder == 0) {
      root.children.push_back(imagewriter::MakeDirectory(
          "d" + std::to_string(f / kFilesPerFolder)));
    }
    root.children.back().children.push_back(imagewriter::MakeZeroFile(
        "file number " + std::to_string(f) + ".bin", f % 3000));
  }
  const std::string image = work + "/listing.xiso";
  imagewriter::LayoutReport report;
  std::string error;
  if (!imagewriter::WriteImage(root, image, imagewriter::WriteOptions(),
                               &report, &error)) {
    std::fprintf(stderr, "bench_extract: %s\n", error.c_str());
    return 1;
  }
  root = imagewriter::TreeNode();
  std::vector<double> seconds;
  std::size_t entries = 0;
  std::size_t peak = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::size_t before = bench::HeapInUse();
    const auto start = bench::Clock::now();
    HANDLE archive = Open(image, PK_OM_LIST);
    if (!archive) return 1;
    tHeaderDataExW header;
    entries = 0;
    while (ReadHeaderExW(archive, &header) == 0) {
      ProcessFileW(archive, PK_SKIP, nullptr, nullptr);
      if (++entries % 1000 == 0) {
        peak = std::max(peak, bench::HeapInUse() - before);
      }
    }
    CloseArchive(archive);
    seconds.push_back(bench::SecondsSince(start));
  }
  std::remove(image.c_str());
  const bench::Summary time = bench::Summarize(seconds);
  std::printf(
      "archive listing, %zu entries (%u folders), %d rounds: median %.3f s "
      "(%.3f-%.3f), %.2f us per entry; heap held while listing at most %zu "
      "bytes, %.2f bytes per entry\n",
      entries, kFiles / kFilesPerFolder, rounds, time.median, time.min,
      time.max, time.median / static_cast<double>(entries) * 1e6, peak,
      static_cast<double>(peak) / static_cast<double>(entries));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--list") == 0) {
    return List(argv[2], argc >= 4 ? std::atoi(argv[3]) : 5);
  }
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: bench_extract IMAGE DEST\n"
                 "       bench_extract --list WORK [ROUNDS]\n");
    return 2;
  }
  return Extract(argv[1], argv[2]);
}
