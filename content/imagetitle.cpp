#include "content/imagetitle.h"

#include "disc/device.h"
#include "disc/imagefile.h"
#include "plugin/longpath.h"

namespace {

struct FileKey {
  HostText path;
  std::uint64_t size = 0;
  std::uint64_t time = 0;
};

bool operator==(const FileKey& a, const FileKey& b) {
  return a.path.wide == b.path.wide && a.path.bytes == b.path.bytes &&
         a.path.units == b.path.units && a.size == b.size && a.time == b.time;
}

struct KeptTitle {
  bool valid = false;
  FileKey key;
  int result = kTitleNone;
  TitleInfo info;
};

// Hosts fetch columns on several threads: the kept title is only touched
// under the shared-state lock.
KeptTitle gKept;

bool Stat(const HostText& path, FileKey* key) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  const BOOL found =
      path.wide ? GetFileAttributesExW(LongPathForm(path.units).c_str(),
                                       GetFileExInfoStandard, &data)
                : GetFileAttributesExA(path.bytes.c_str(),
                                       GetFileExInfoStandard, &data);
  if (!found || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  key->path = path;
  key->size = std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
  key->time = std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 |
              data.ftLastWriteTime.dwLowDateTime;
  return true;
}

int ReadImage(const HostText& path, TitleInfo* info) {
  Device device = path.wide ? vepo_openimage(LongPathForm(path.units).c_str())
                            : vepo_openimage(path.bytes.c_str());
  if (!device.handle) return kTitleUnreadable;
  const int result = ReadDiscTitle(device, info);
  vepo_closedevice(device);
  return result;
}

}  // namespace

int ImageTitle(const HostText& path, TitleInfo* info) {
  FileKey key;
  if (!Stat(path, &key)) return kTitleUnreadable;
  {
    SharedStateGuard guard;
    if (gKept.valid && gKept.key == key) {
      *info = gKept.info;
      return gKept.result;
    }
  }
  // Read outside the lock, so that one slow file holds up no other thread.
  TitleInfo read;
  const int result = ReadImage(path, &read);
  if (result != kTitleUnreadable) {
    SharedStateGuard guard;
    gKept.valid = true;
    gKept.key = key;
    gKept.result = result;
    gKept.info = read;
  }
  *info = read;
  return result;
}

void ForgetImageTitle() {
  SharedStateGuard guard;
  gKept = KeptTitle();
}
