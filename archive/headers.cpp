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
  const std::uint64_t time = ListingTime(volumeTime);
  if (style == HeaderStyle::kWindows) {
    // A DOS time is local, as the host shows it.
    const FILETIME utc{static_cast<DWORD>(time),
                       static_cast<DWORD>(time >> 32)};
    FILETIME local{};
    WORD date = 0;
    WORD dosTime = 0;
    if (!FileTimeToLocalFileTime(&utc, &local) ||
        !FileTimeToDosDateTime(&local, &date, &dosTime)) {
      return 0;
    }
    return static_cast<int>(static_cast<DWORD>(date) << 16 | dosTime);
  }
  std::uint64_t seconds = time / kFileTimeTicksPerSecond - kUnixEpochSeconds;
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
