// The in-memory directory tree of a mounted disc, loaded directory by
// directory on first use.
#pragma once

#include <cstdint>
#include <string>

#include "disc/dirnode.h"
#include "disc/format.h"
#include "platform/win32.h"

// Finds the disc's partition (vepo_findpartition), which sets the device's
// base, then reads the root table. 0 mounted; 1 no volume descriptor at any
// base; 2 the root table cannot be read. root is expected empty. volumeTime
// and descriptor, when given, receive the volume's FILETIME and its
// descriptor sector as read.
int vepo_mount(Device& device, DirNode& root,
               std::uint64_t* volumeTime = nullptr,
               DescriptorSector* descriptor = nullptr);

// Walk flags.
constexpr std::int32_t kWalkReload = 1;
constexpr std::int32_t kWalkNoReads = 2;

// Results of the walk.
constexpr int kWalkFound = 0;
constexpr int kWalkNoSuchDirectory = 1;
constexpr int kWalkReadForbidden = 2;
constexpr int kWalkReadFailed = 3;

// Walks from node along path ("\" or "/" separated, relative to node),
// loading each directory table on the way that is not loaded yet. outNode
// receives a copy of the node where the walk stopped and outPath the path
// that remained there; both may be null.
int vepo_getupdatedirsubtree(const Device& device, DirNode& node,
                             const char* path, std::int32_t flags,
                             DirNode* outNode, std::string* outPath);
