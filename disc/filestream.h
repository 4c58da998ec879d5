// The stream of one file's bytes, the same for every copy out of a disc,
// whichever plug-in asks for it.
#pragma once

#include "disc/device.h"
#include "disc/dirnode.h"

constexpr std::uint32_t kFileChunkSectors = 32;

// vepo_extractdata's result for the file's byte range, in chunks of
// kFileChunkSectors sectors.
int vepo_streamfile(const Device& device, const DirNode& file,
                    ExtractCallback callback, void* userData);
