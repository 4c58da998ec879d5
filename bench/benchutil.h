// Timing, summaries and memory readings shared by the benchmark programs.
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Summary {
  double median = 0;
  double min = 0;
  double max = 0;
};

Summary Summarize(std::vector<double> values);

// Kernel's view of this process, in bytes: resident now and the peak so far.
std::size_t ResidentBytes();
std::size_t PeakResidentBytes();
// Bytes the allocator has handed out and not yet taken back.
std::size_t HeapInUse();

}  // namespace bench
