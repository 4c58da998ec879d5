#include "filesystem/widelisting.h"

#include <cstring>

void ToWideRecord(const WIN32_FIND_DATAA& record, WIN32_FIND_DATAW* wide) {
  std::memset(wide, 0, sizeof *wide);
  wide->dwFileAttributes = record.dwFileAttributes;
  wide->ftCreationTime = record.ftCreationTime;
  wide->ftLastAccessTime = record.ftLastAccessTime;
  wide->ftLastWriteTime = record.ftLastWriteTime;
  wide->nFileSizeHigh = record.nFileSizeHigh;
  wide->nFileSizeLow = record.nFileSizeLow;
  // One unit per byte, so a name that fit as bytes fits as units.
  for (std::size_t i = 0; i + 1 < MAX_PATH && record.cFileName[i]; ++i) {
    wide->cFileName[i] =
        DecodeCp1252(static_cast<unsigned char>(record.cFileName[i]));
  }
}

HANDLE OpenWideListing(PluginState& state, const WCHAR* path,
                       WIN32_FIND_DATAW* findData) {
  WIN32_FIND_DATAA first;
  HANDLE handle = OpenListing(state, WideText(path), &first);
  if (handle != INVALID_HANDLE_VALUE) ToWideRecord(first, findData);
  return handle;
}

int NextWideListingRecord(TCFS_FNC* handle, WIN32_FIND_DATAW* findData) {
  WIN32_FIND_DATAA record;
  const int more = NextListingRecord(handle, &record);
  if (more) ToWideRecord(record, findData);
  return more;
}
