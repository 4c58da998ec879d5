// Finding the game partition: a plain image or a burned disc holds it at
// the start of the device; a whole-disc image, or a drive that shows the
// whole disc, holds it behind a video partition, at a base fixed for each
// generation of disc.
#pragma once

#include <cstdint>

#include "disc/format.h"
#include "platform/win32.h"

// In the order they are tried: plain, XGD1, XGD2, XGD3.
constexpr std::uint64_t kPartitionBases[] = {0, 0x18300000, 0xFD90000,
                                             0x2080000};

// Reads the volume descriptor at each base in turn, one sector each; the
// first base whose descriptor is an Xbox volume's becomes the device's
// base and the extent that of its root table, with *volumeTime and *sector,
// when given, its time and the descriptor as read. 0 found; 1 at no base,
// with the device's base 0 and the outputs unchanged.
int vepo_findpartition(Device& device, Extent* extent,
                       std::uint64_t* volumeTime = nullptr,
                       DescriptorSector* sector = nullptr);
