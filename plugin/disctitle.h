// Which game a disc holds: its partition found by the same probe as every
// other reader, the root table read, and the executable's fields read from
// as few sectors as they lie in.
#pragma once

#include "disc/device.h"
#include "disc/format.h"
#include "plugin/executable.h"

constexpr int kTitleRead = 0;        // *info set; info->parsed may be false
constexpr int kTitleNone = 1;        // no Xbox volume, or no executable
constexpr int kTitleUnreadable = 2;  // a read of the volume failed

// Reads through an open device whose base is still 0: one sector at each
// base the probe tries, the root table in one read, and the executable in
// one read, or two when its certificate lies apart from its header. The
// device's base is left at the partition's and *descriptor, when given,
// holds the volume descriptor as read (when one was found).
int ReadDiscTitle(Device& device, TitleInfo* info,
                  DescriptorSector* descriptor = nullptr);
