#include "archive/imagearchive.h"

#include <memory>
#include <new>

#include "disc/device.h"
#include "disc/imagefile.h"
#include "disc/partition.h"
#include "disc/tree.h"
#include "plugin/longpath.h"

namespace {

Device OpenImage(const HostText& name) {
  return name.wide ? vepo_openimage(LongPathForm(name.units).c_str())
                   : vepo_openimage(name.bytes.c_str());
}

}  // namespace

ImageArchive::~ImageArchive() { vepo_closedevice(device); }

ImageArchive* OpenImageArchive(const HostText& name, HeaderStyle style,
                               int* openResult) {
  std::unique_ptr<ImageArchive> archive(new (std::nothrow) ImageArchive);
  if (!archive) {
    *openResult = E_NO_MEMORY;
    return nullptr;
  }
  archive->device = OpenImage(name);
  if (!archive->device.handle) {
    *openResult = E_EOPEN;
    return nullptr;
  }
  DirNode root;
  const int mounted = vepo_mount(archive->device, root, &archive->volumeTime);
  if (mounted != 0) {
    *openResult = mounted == 1 ? E_UNKNOWN_FORMAT : E_BAD_ARCHIVE;
    return nullptr;
  }
  vepo_startwalk(archive->walk, archive->device, std::move(root),
                 style == HeaderStyle::kUnix ? '/' : '\\');
  *openResult = 0;
  return archive.release();
}

int NextArchiveEntry(ImageArchive& archive) {
  switch (vepo_walknext(archive.walk)) {
    case kWalkNext:
      return 0;
    case kWalkEnd:
      return E_END_ARCHIVE;
    default:
      return E_BAD_DATA;
  }
}

bool IsXboxImage(const HostText& name) {
  Device device = OpenImage(name);
  if (!device.handle) return false;
  Extent extent;
  const bool found = vepo_findpartition(device, &extent) == 0;
  vepo_closedevice(device);
  return found;
}
