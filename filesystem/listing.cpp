#include "filesystem/listing.h"

#include <cstring>
#include <memory>
#include <string>

#include "disc/tree.h"
#include "filesystem/messages.h"
#include "path/hostpath.h"
#include "path/safename.h"
#include "plugin/listingtimes.h"

namespace {

WIN32_FIND_DATAA MakeRecord(DWORD attributes, DWORD size, const char* name) {
  WIN32_FIND_DATAA record;
  std::memset(&record, 0, sizeof record);
  record.dwFileAttributes = attributes;
  record.nFileSizeLow = size;
  lstrcpynA(record.cFileName, name, sizeof record.cFileName);
  return record;
}

}  // namespace

HANDLE OpenListing(PluginState& state, const HostText& path,
                   WIN32_FIND_DATAA* findData) {
  std::unique_ptr<TCFS_FNC> handle(new (std::nothrow) TCFS_FNC);
  if (handle) ListPath(path, state, handle->entries);
#ifdef XDVDFS_LISTING_TIMES
  if (handle) {
    StampListingTimes(handle->entries,
                      ListingTime(state.driveCache.volumeTime));
  }
#endif
  if (!handle || handle->entries.empty()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return INVALID_HANDLE_VALUE;
  }
  *findData = handle->entries[0];
  handle->count = static_cast<std::int32_t>(handle->entries.size());
  return handle.release();
}

int NextListingRecord(TCFS_FNC* handle, WIN32_FIND_DATAA* findData) {
  ++handle->index;
  if (static_cast<std::uint32_t>(handle->index) >=
      static_cast<std::uint32_t>(handle->count)) {
    return 0;
  }
  *findData = handle->entries[handle->index];
  return 1;
}

int CloseListing(TCFS_FNC* handle) {
  delete handle;
  return 0;
}

void ListPath(const HostText& path, PluginState& state,
              std::vector<WIN32_FIND_DATAA>& entries) {
  if (path.bytes == "\\" || path.bytes == "/") {
    ListDrives(state, path.wide, entries);
  } else {
    ListDirectory(path, state, entries);
  }
}

void ListDrives(PluginState& state, bool wide,
                std::vector<WIN32_FIND_DATAA>& entries) {
  CloseDrive(state.driveCache);
  // Room for every drive letter. A longer list, of device names such as
  // loop12: on Linux, is read again at the size the call asks for.
  std::vector<char> drives(128, '\0');
  DWORD length =
      GetLogicalDriveStringsA(static_cast<DWORD>(drives.size()), drives.data());
  if (length >= drives.size()) {
    drives.assign(length + 1, '\0');
    length = GetLogicalDriveStringsA(static_cast<DWORD>(drives.size()),
                                     drives.data());
  }
  if (length == 0) {
    ShowHostMessage(state, FormatHostText(wide, "ERROR: failed to get drives"));
    return;
  }
  // Never walk past the buffer, whatever the call reported.
  const char* end = drives.data() + drives.size();
  for (const char* root = drives.data(); root < end && *root;
       root += strnlen(root, end - root) + 1) {
    if (GetDriveTypeA(root) != DRIVE_CDROM) continue;
    char name[64];
    lstrcpynA(name, root, sizeof name);
    const std::size_t n = std::strlen(name);
    if (n > 0 && IsSeparator(name[n - 1])) name[n - 1] = '\0';
    entries.push_back(MakeRecord(FILE_ATTRIBUTE_DIRECTORY, 0, name));
  }
}

void ListDirectory(const HostText& path, PluginState& state,
                   std::vector<WIN32_FIND_DATAA>& entries) {
  char buffer[MAX_PATH];
  const char* pathBytes = path.bytes.c_str();
  const char* afterSlash = SkipLeadingSlash(pathBytes);
  lstrcpynA(buffer, afterSlash, sizeof buffer);
  StripTrailingSlashes(buffer);
  // The same characters in the host's own text, for the messages.
  const HostText shown =
      Slice(path, afterSlash - pathBytes, std::strlen(buffer));
  std::string first;
  SplitFirstComponent(buffer, first);
  std::string driveName;
  if (!GetDriveName(first.c_str(), driveName)) {
    ShowMessageBox(
        FormatHostText(path.wide, "ERROR: drive name not found in path"),
        nullptr);
    return;
  }
  DirNode* root = nullptr;
  CheckDiscOnNextOpen(state.driveCache);
  const Device* device = OpenDrive(state.driveCache, driveName.c_str(), &root);
  if (!device) {
    const HostText drive =
        Slice(shown, SkipLeadingSlash(buffer) - buffer, driveName.size());
    ShowMessageBox(
        FormatHostText(path.wide, "ERROR: cant open '%s' device", drive),
        nullptr);
    return;
  }
  bool cut = false;
  const std::string below = ReachableBelowDrive(shown, &cut);
  DirNode folder;
  int code = vepo_getupdatedirsubtree(*device, *root, below.c_str(), 0, &folder,
                                      nullptr);
  // The walk stopped short of a component that cannot exist.
  if (code == kWalkFound && cut) code = kWalkNoSuchDirectory;
  if (code == kWalkFound) {
    NodesToFindData(folder.children, entries);
    return;
  }
  ShowMessageBox(
      FormatHostText(path.wide,
                     "ERROR: vepo_getupdatedirsubtree error, path: '%s', code "
                     "= %d, StartSector=%d",
                     shown, code, static_cast<int>(folder.startSector)),
      nullptr);
}

void NodesToFindData(const std::vector<DirNode>& children,
                     std::vector<WIN32_FIND_DATAA>& entries) {
  for (const DirNode& node : children) {
    if (!IsSafeName(node.name)) continue;
    entries.push_back(
        MakeRecord(IsDirectory(node) ? FILE_ATTRIBUTE_DIRECTORY : 0, node.size,
                   node.name.c_str()));
  }
}
