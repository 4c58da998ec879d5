// bench_content: a column of game titles over a folder of images. It writes
// COUNT images (plain ones with an XBE, whole-disc XGD3 ones with an XBE
// and plain ones with an XEX, in turn), then asks the content plug-in for
// all six fields of each, as a host fills a row, and counts the device
// reads each image costs. The folder's time is paired with the archive
// plug-in's detection of the same images (one probe read per base), which
// a host makes anyway, alternated pair by pair.
//
//   bench_content WORK_DIR [PAIRS [COUNT]]   default 11 pairs, 200 images
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/exports.h"
#include "bench/benchutil.h"
#include "content/exports.h"
#include "platform/native/testapi.h"
#include "plugin/cp1252.h"
#include "tools/imagewriter/imagewriter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& bytes, std::size_t at, std::uint32_t value, bool big) {
  for (int i = 0; i < 4; ++i) {
    bytes[at + i] =
        static_cast<std::uint8_t>(value >> (big ? 24 - 8 * i : 8 * i));
  }
}

// The fields' bytes only; everything else of the executable stays zero.
Bytes Executable(bool xex, std::uint32_t titleId) {
  Bytes bytes(xex ? 0x4000 : 0x1000, 0);
  if (xex) {
    std::memcpy(bytes.data(), "XEX2", 4);
    Put(bytes, 0x14, 1, true);
    Put(bytes, 0x18, 0x00040006, true);
    Put(bytes, 0x1C, 0x3000, true);  // the execution info apart: dearest
    Put(bytes, 0x3000 + 12, titleId, true);
    return bytes;
  }
  std::memcpy(bytes.data(), "XBEH", 4);
  Put(bytes, 0x104, 0x10000, false);
  Put(bytes, 0x118, 0x10178, false);
  Put(bytes, 0x178 + 0x8, titleId, false);
  const char title[] = "Benchmark Game";
  for (std::size_t i = 0; i + 1 < sizeof title; ++i) {
    bytes[0x178 + 0xC + 2 * i] = static_cast<std::uint8_t>(title[i]);
  }
  return bytes;
}

bool WriteGame(const std::string& work, int index, std::string* image) {
  const bool xex = index % 3 == 2;
  const Bytes bytes = Executable(xex, 0x42450000u + index);
  const std::string source = work + "/exe";
  std::FILE* file = std::fopen(source.c_str(), "wb");
  if (!file) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  imagewriter::TreeNode root = imagewriter::MakeDirectory(
      "", {imagewriter::MakeSourceFile(xex ? "default.xex" : "default.xbe",
                                       source, bytes.size()),
           imagewriter::MakeZeroFile("media.bin", 1 << 20)});
  imagewriter::WriteOptions options;
  if (index % 3 == 1) options.layout = imagewriter::DiscLayout::kXgd3;
  *image = work + "/game " + std::to_string(index) + ".iso";
  std::string error;
  imagewriter::LayoutReport report;
  if (imagewriter::WriteImage(root, *image, options, &report, &error)) {
    return true;
  }
  std::fprintf(stderr, "%s\n", error.c_str());
  return false;
}

WideString Wide(const std::string& text) {
  return WideString(text.begin(), text.end());
}

// All six fields of images [first, last), as a host fills the rows; how
// many title IDs came back wrong.
int Fields(const std::vector<std::string>& images, std::size_t first,
           std::size_t last) {
  int wrong = 0;
  char value[2049];
  for (std::size_t i = first; i < last; ++i) {
    WideString name = Wide(images[i]);
    for (int field = 0; field < 6; ++field) {
      const int type =
          ContentGetValueW(&name[0], field, 0, value, sizeof value, 0);
      if (field == 1 && (type != ft_string ||
                         std::strtoul(value, nullptr, 16) != 0x42450000u + i)) {
        ++wrong;
      }
    }
  }
  return wrong;
}

void Detect(const std::vector<std::string>& images) {
  for (const std::string& image : images) {
    WideString name = Wide(image);
    CanYouHandleThisFileW(&name[0]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_content WORK_DIR [PAIRS [COUNT]]\n");
    return 2;
  }
  const std::string work = argv[1];
  const int pairs = argc > 2 ? std::atoi(argv[2]) : 11;
  const int count = argc > 3 ? std::atoi(argv[3]) : 200;
  std::vector<std::string> images(count);
  for (int i = 0; i < count; ++i) {
    if (!WriteGame(work, i, &images[i])) return 1;
  }

  // Reads per image, by kind, from a fresh start.
  const char* kinds[] = {"plain XBE", "XGD3 XBE", "plain XEX (info apart)"};
  std::size_t most[3] = {};
  for (int i = 0; i < count; ++i) {
    ContentPluginUnloading();
    nativewin::ResetStats();
    if (Fields(images, i, i + 1) != 0) {
      std::fprintf(stderr, "wrong title ID in %s\n", images[i].c_str());
      return 1;
    }
    const std::size_t reads = nativewin::GetStats().reads.size();
    if (reads > most[i % 3]) most[i % 3] = reads;
  }
  for (int kind = 0; kind < 3; ++kind) {
    std::printf("reads per image, %s: %zu (six fields)\n", kinds[kind],
                most[kind]);
  }

  std::vector<double> fields;
  std::vector<double> detect;
  for (int pair = 0; pair < pairs; ++pair) {
    for (int side = 0; side < 2; ++side) {
      const bool fieldsFirst = pair % 2 == 0;
      ContentPluginUnloading();
      const bench::Clock::time_point start = bench::Clock::now();
      if ((side == 0) == fieldsFirst) {
        if (Fields(images, 0, images.size()) != 0) {
          std::fprintf(stderr, "wrong title IDs\n");
          return 1;
        }
        fields.push_back(bench::SecondsSince(start));
      } else {
        Detect(images);
        detect.push_back(bench::SecondsSince(start));
      }
    }
  }
  std::vector<double> ratios;
  for (int pair = 0; pair < pairs; ++pair) {
    ratios.push_back(fields[pair] / detect[pair]);
  }
  const bench::Summary f = bench::Summarize(fields);
  const bench::Summary d = bench::Summarize(detect);
  const bench::Summary r = bench::Summarize(ratios);
  std::printf("%d images, six fields each: median %.1f ms (%.1f..%.1f)\n",
              count, f.median * 1e3, f.min * 1e3, f.max * 1e3);
  std::printf("%d images, detection only:  median %.1f ms (%.1f..%.1f)\n",
              count, d.median * 1e3, d.min * 1e3, d.max * 1e3);
  std::printf("ratio fields/detection: median %.2f (%.2f..%.2f), %d pairs\n",
              r.median, r.min, r.max, pairs);
  for (const std::string& image : images) std::remove(image.c_str());
  std::remove((work + "/exe").c_str());
  return 0;
}
