// One open image file as an archive: its device, the walk over its tree and
// the host's progress callbacks. Everything an archive needs lives here, per
// handle, so that a host may list one image while it extracts from others
// on other threads.
#pragma once

#include <cstdint>

#include "archive/wcxapi.h"
#include "disc/device.h"
#include "disc/treewalk.h"
#include "plugin/hosttext.h"

struct ImageArchive {
  Device device;
  std::uint64_t volumeTime = 0;
  TreeWalk walk;
  tProcessDataProc progress = nullptr;
  tProcessDataProcW progressW = nullptr;

  ImageArchive() = default;
  ImageArchive(const ImageArchive&) = delete;
  ImageArchive& operator=(const ImageArchive&) = delete;
  ~ImageArchive();
};

// How this build's host reads headers: Windows wants "\", attribute 0x10
// and DOS times; Double Commander on Linux "/", Unix modes and Unix times.
enum class HeaderStyle { kWindows, kUnix };
#ifdef XDVDFS_UNIX_HEADERS
constexpr HeaderStyle kHostHeaderStyle = HeaderStyle::kUnix;
#else
constexpr HeaderStyle kHostHeaderStyle = HeaderStyle::kWindows;
#endif

// The archive, opened and mounted, or null with *openResult E_EOPEN (the
// file cannot be read), E_UNKNOWN_FORMAT (no Xbox volume at any base) or
// E_BAD_ARCHIVE (its root table cannot be read).
ImageArchive* OpenImageArchive(const HostText& name, HeaderStyle style,
                               int* openResult);

// Moves to the next entry: 0, E_END_ARCHIVE, or E_BAD_DATA when a folder's
// table cannot be read (a later call goes on past it).
int NextArchiveEntry(ImageArchive& archive);

// Whether the file holds an Xbox volume at one of the bases: at most one
// one-sector read at each.
bool IsXboxImage(const HostText& name);
