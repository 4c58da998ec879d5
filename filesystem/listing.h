// Folder listings in the host's record format: the plug-in root lists the
// CD/DVD drives, any other path a folder on a disc.
#pragma once

#include <vector>

#include "disc/dirnode.h"
#include "filesystem/state.h"
#include "plugin/hosttext.h"

// The find handle: a snapshot of one whole listing, handed out record by
// record. Both sides share it; the wide side converts each record as it
// hands it out.
struct TCFS_FNC {
  std::int32_t index = 0;
  std::int32_t count = 0;
  std::vector<WIN32_FIND_DATAA> entries;
};

// The find handle with the first record in findData, or INVALID_HANDLE_VALUE
// with last error ERROR_NO_MORE_FILES when the listing is empty or failed.
// Messages go out in the path's side's text.
HANDLE OpenListing(PluginState& state, const HostText& path,
                   WIN32_FIND_DATAA* findData);
int NextListingRecord(TCFS_FNC* handle, WIN32_FIND_DATAA* findData);
int CloseListing(TCFS_FNC* handle);

void ListPath(const HostText& path, PluginState& state,
              std::vector<WIN32_FIND_DATAA>& entries);
void ListDrives(PluginState& state, bool wide,
                std::vector<WIN32_FIND_DATAA>& entries);
void ListDirectory(const HostText& path, PluginState& state,
                   std::vector<WIN32_FIND_DATAA>& entries);
void NodesToFindData(const std::vector<DirNode>& children,
                     std::vector<WIN32_FIND_DATAA>& entries);
