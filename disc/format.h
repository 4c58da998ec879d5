// The on-disc volume descriptor and directory tables, and the nodes made
// from their entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "disc/device.h"
#include "disc/dirnode.h"

constexpr std::uint64_t kVolumeDescriptorOffset = 0x10000;
constexpr char kVolumeSignature[] = "MICROSOFT*XBOX*MEDIA";
// The signature stands again at this offset of the descriptor.
constexpr std::size_t kSignatureTailField = 2028;

// The volume descriptor sector as read: what tells one disc from another.
struct DescriptorSector {
  std::uint8_t bytes[kSectorSize];
};

// Reads the descriptor sector whole; 0 done, 1 when it cannot be.
int vepo_readdescriptorsector(const Device& device, DescriptorSector* sector);

// 0 and extent := the root directory table's place, *volumeTime, when
// given, := the volume's FILETIME (0 when the disc leaves it empty) and
// *sector, when given, := the sector as read; 1 when the descriptor cannot
// be read or is not an Xbox volume, which has the signature at byte 0 and
// again at byte 2028 (outputs unchanged).
int vepo_readvolumedescriptor(const Device& device, Extent* extent,
                              std::uint64_t* volumeTime = nullptr,
                              DescriptorSector* sector = nullptr);

void vepo_nodeextent(const DirNode& node, Extent* extent);

// User data of vepo_appendchunk: the block a table is collected into.
struct TableBuffer {
  std::uint8_t* buffer;
  std::uint32_t capacity;
  std::uint32_t filled;
};

int vepo_appendchunk(void* tableBuffer, const ExtractChunk* chunk);

constexpr int kTableNoMemory = 2;
constexpr int kTableUnreadable = 3;

// 0 and one node per entry appended to list; kTableNoMemory (no block for
// the table, or no memory for its nodes) or kTableUnreadable with list
// unchanged. Never throws for want of memory.
int vepo_readdirtable(const Device& device, const Extent& extent,
                      std::vector<DirNode>& list);

// Appends a node per entry of the table held in memory; never reads past
// size bytes.
void vepo_scandirtable(const std::uint8_t* table, std::uint32_t size,
                       std::vector<DirNode>& list);
