// Times for listing records, for hosts that cannot take a zero time: they
// show it as 1601 and fail to set it on a copy. The format keeps one time,
// the volume's, so every entry of a disc gets that.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"

// 2001-01-01 00:00 UTC as a FILETIME: for the drives, and for discs whose own
// time is missing or out of range.
constexpr std::uint64_t kFallbackListingTime = 126227808000000000ull;

// The volume's FILETIME when it lies in [1980, 2100), else the fallback.
std::uint64_t ListingTime(std::uint64_t volumeTime);

// Sets the creation, access and write times of every record.
void StampListingTimes(std::vector<WIN32_FIND_DATAA>& entries,
                       std::uint64_t fileTime);
