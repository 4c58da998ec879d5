#include "filesystem/drivefields.h"

#include <cstring>
#include <string>

#include "path/hostpath.h"
#include "plugin/disctitle.h"
#include "plugin/titlefields.h"
#include "plugin/wdxapi.h"

namespace {

// The last drive's fields, kept with the descriptor of the disc they came
// from: one read of it tells whether the drive still holds that disc, and
// where the system counts media changes, the count tells a swap for a disc
// with the same descriptor.
struct KeptDrive {
  bool valid = false;
  std::string driveName;
  bool countKnown = false;
  std::uint32_t mediaChanges = 0;
  std::uint64_t base = 0;
  DescriptorSector descriptor = {};
  int result = kTitleNone;
  TitleInfo info;
};
// Taken only under the shared-state lock: hosts ask on several threads.
KeptDrive gKept;

bool SameDisc(const Device& device, const KeptDrive& kept) {
  std::uint32_t changes = 0;
  const bool countKnown = vepo_mediachangecount(device, &changes) == 0;
  if (countKnown != kept.countKnown ||
      (countKnown && changes != kept.mediaChanges)) {
    return false;
  }
  Device atBase = device;
  atBase.base = kept.base;
  DescriptorSector sector;
  return vepo_readdescriptorsector(atBase, &sector) == 0 &&
         std::memcmp(sector.bytes, kept.descriptor.bytes, kSectorSize) == 0;
}

int ReadDrive(const std::string& driveName, TitleInfo* info) {
  Device device = vepo_opendevice(("\\\\.\\" + driveName).c_str());
  if (!device.handle) return kTitleUnreadable;
  KeptDrive kept;
  {
    SharedStateGuard guard;
    if (gKept.valid && gKept.driveName == driveName) kept = gKept;
  }
  int result = kTitleNone;
  if (kept.valid && SameDisc(device, kept)) {
    *info = kept.info;
    result = kept.result;
  } else {
    kept = KeptDrive();
    kept.countKnown = vepo_mediachangecount(device, &kept.mediaChanges) == 0;
    result = ReadDiscTitle(device, info, &kept.descriptor);
    // Only a disc whose descriptor was read can be recognised again.
    if (result != kTitleUnreadable &&
        std::memcmp(kept.descriptor.bytes, kVolumeSignature,
                    sizeof kVolumeSignature - 1) == 0) {
      kept.valid = true;
      kept.driveName = driveName;
      kept.base = device.base;
      kept.result = result;
      kept.info = *info;
      SharedStateGuard guard;
      gKept = kept;
    }
  }
  vepo_closedevice(device);
  return result;
}

}  // namespace

int DriveFieldValue(const HostText& path, int fieldIndex, bool wide,
                    void* value, int maxlen) {
  std::string first;
  std::string rest;
  SplitFirstComponent(SkipLeadingSlash(path.bytes.c_str()), first, &rest);
  std::string driveName;
  const bool isDrive = GetDriveName(first.c_str(), driveName) &&
                       driveName == first &&
                       rest.find_first_not_of("\\/") == std::string::npos;
  TitleInfo info;
  const int read = isDrive ? ReadDrive(driveName, &info) : kTitleNone;
  return FieldValue(read, info, fieldIndex, wide, value, maxlen);
}

void ForgetDriveFields() {
  SharedStateGuard guard;
  gKept = KeptDrive();
}
