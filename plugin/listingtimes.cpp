#include "plugin/listingtimes.h"

namespace {

// FILETIMEs (100 ns since 1601-01-01 UTC) of 1980-01-01 and 2100-01-01.
constexpr std::uint64_t kEarliest = 119600064000000000ull;
constexpr std::uint64_t kLatest = 157469184000000000ull;

}  // namespace

std::uint64_t ListingTime(std::uint64_t volumeTime) {
  return volumeTime >= kEarliest && volumeTime < kLatest ? volumeTime
                                                         : kFallbackListingTime;
}

void StampListingTimes(std::vector<WIN32_FIND_DATAA>& entries,
                       std::uint64_t fileTime) {
  const FILETIME time{static_cast<DWORD>(fileTime),
                      static_cast<DWORD>(fileTime >> 32)};
  for (WIN32_FIND_DATAA& record : entries) {
    record.ftCreationTime = time;
    record.ftLastAccessTime = time;
    record.ftLastWriteTime = time;
  }
}
