#include "archive/headers.h"

#include <cstring>

#include "plugin/cp1252.h"
#include "plugin/listingtimes.h"

namespace {

constexpr int kUnixFolderMode = 040755;
constexpr int kUnixFileMode = 0100644;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000;
constexpr std::uint64_t kUnixEpochSeconds = 11644473600;  // since 1601
constexpr std::uint64_t kLatestUnixSeconds = 0x7FFFFFFF;

int Attributes(const DirNode& entry, HeaderStyle style) {
  if (style == HeaderStyle::kUnix) {
    return IsDirectory(entry) ? kUnixFolderMode : kUnixFileMode;
  }
  return IsDirectory(entry) ? FILE_ATTRIBUTE_DIRECTORY : 0;
}

// Year, month and day of a count of days since 1970-01-01.
void CivilDate(std::int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const std::int64_t era = days / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear =
      dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  *month =
      static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

int DosTime(std::uint64_t unixSeconds) {
  int year = 0, month = 0, day = 0;
  CivilDate(static_cast<std::int64_t>(unixSeconds / 86400), &year, &month,
            &day);
  const int secondOfDay = static_cast<int>(unixSeconds % 86400);
  return (year - 1980) << 25 | month << 21 | day << 16 |
         (secondOfDay / 3600) << 11 | (secondOfDay / 60 % 60) << 5 |
         (secondOfDay % 60) / 2;
}

template <typename Record>
void FillFields(const ImageArchive& archive, HeaderStyle style,
                Record* header) {
  header->ArcName[0] = 0;
  header->Flags = 0;
  header->HostOS = 0;
  header->FileCRC = 0;
  header->FileTime = HeaderTime(archive.volumeTime, style);
  header->UnpVer = 0;
  header->Method = 0;
  header->FileAttr = Attributes(*archive.walk.current, style);
  header->CmtSize = 0;
  header->CmtState = 0;
}

// A folder's own size is its table's, which means nothing to a host.
std::uint32_t ListedSize(const DirNode& entry) {
  return IsDirectory(entry) ? 0 : entry.size;
}

template <typename Record>
void FillSizes(const DirNode& entry, Record* header) {
  header->PackSize = ListedSize(entry);
  header->PackSizeHigh = 0;
  header->UnpSize = ListedSize(entry);
  header->UnpSizeHigh = 0;
}

}  // namespace

int HeaderTime(std::uint64_t volumeTime, HeaderStyle style) {
  std::uint64_t seconds =
      ListingTime(volumeTime) / kFileTimeTicksPerSecond - kUnixEpochSeconds;
  if (style == HeaderStyle::kWindows) return DosTime(seconds);
  if (seconds > kLatestUnixSeconds) {
    seconds =
        kFallbackListingTime / kFileTimeTicksPerSecond - kUnixEpochSeconds;
  }
  return static_cast<int>(seconds);
}

bool FillHeader(const ImageArchive& archive, HeaderStyle style,
                tHeaderData* header) {
  const std::string& path = archive.walk.path;
  if (path.size() >= sizeof header->FileName) return false;
  FillFields(archive, style, header);
  std::memcpy(header->FileName, path.c_str(), path.size() + 1);
  const DirNode& entry = *archive.walk.current;
  header->PackSize = static_cast<int>(ListedSize(entry));
  header->UnpSize = static_cast<int>(ListedSize(entry));
  return true;
}

void FillHeader(const ImageArchive& archive, HeaderStyle style,
                tHeaderDataEx* header) {
  // The walk keeps every path within the record's name.
  const std::string& path = archive.walk.path;
  FillFields(archive, style, header);
  std::memcpy(header->FileName, path.c_str(), path.size() + 1);
  FillSizes(*archive.walk.current, header);
}

void FillHeader(const ImageArchive& archive, HeaderStyle style,
                tHeaderDataExW* header) {
  const std::string& path = archive.walk.path;
  FillFields(archive, style, header);
  std::size_t i = 0;
  for (; i < path.size(); ++i) {
    header->FileName[i] = DecodeCp1252(static_cast<unsigned char>(path[i]));
  }
  header->FileName[i] = 0;
  FillSizes(*archive.walk.current, header);
}
