#include "bench/benchutil.h"

#include <malloc.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace bench {

namespace {

std::size_t StatusField(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.compare(0, prefix.size(), prefix) == 0) {
      return std::stoul(line.substr(prefix.size())) * 1024;  // kB
    }
  }
  return 0;
}

}  // namespace

Summary Summarize(std::vector<double> values) {
  Summary summary;
  if (values.empty()) return summary;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  summary.median =
      n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  summary.min = values.front();
  summary.max = values.back();
  return summary;
}

std::size_t ResidentBytes() { return StatusField("VmRSS"); }

std::size_t PeakResidentBytes() { return StatusField("VmHWM"); }

std::size_t HeapInUse() {
  // Big blocks, such as a wide folder's children, are mapped on their own
  // and counted apart from the arenas.
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

}  // namespace bench
