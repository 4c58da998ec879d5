// The time calls of the seam for the builds that are not Windows, which
// keep local time as UTC.
#include "platform/win32.h"

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::uint64_t kUnixEpochSeconds = 11644473600;

// Year, month and day of a count of days since 1970-01-01.
void CivilDate(std::uint64_t days, int* year, int* month, int* day) {
  days += 719468;
  const std::uint64_t era = days / 146097;
  const std::uint64_t dayOfEra = days - era * 146097;
  const std::uint64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::uint64_t dayOfYear =
      dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::uint64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  *month =
      static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

}  // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localTime) {
  *localTime = *fileTime;
  return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* fatDate,
                           WORD* fatTime) {
  const std::uint64_t seconds = (std::uint64_t{fileTime->dwHighDateTime} << 32 |
                                 fileTime->dwLowDateTime) /
                                kTicksPerSecond;
  if (seconds < kUnixEpochSeconds) return FALSE;
  const std::uint64_t unixSeconds = seconds - kUnixEpochSeconds;
  int year = 0, month = 0, day = 0;
  CivilDate(unixSeconds / 86400, &year, &month, &day);
  // A DOS date holds the years 1980 to 2107.
  if (year < 1980 || year > 2107) return FALSE;
  const int secondOfDay = static_cast<int>(unixSeconds % 86400);
  *fatDate = static_cast<WORD>((year - 1980) << 9 | month << 5 | day);
  *fatTime =
      static_cast<WORD>((secondOfDay / 3600) << 11 |
                        (secondOfDay / 60 % 60) << 5 | (secondOfDay % 60) / 2);
  return TRUE;
}
