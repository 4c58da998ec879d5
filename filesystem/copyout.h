// Copying one file from a disc to a local file, with progress reports that
// let the host stop the copy.
#pragma once

#include <cstdint>
#include <cstdio>

#include "disc/device.h"
#include "filesystem/state.h"
#include "plugin/hosttext.h"

// Names in the text of the side the copy was asked through, handed to that
// side's progress callback.
struct CopyProgress {
  HostText targetName;
  HostText sourceName;
  std::FILE* localFile;
  PluginState& pluginState;
  std::uint32_t fileSize;
  std::uint32_t bytesWritten;
};

// Stop values of WriteCopyChunk.
constexpr int kChunkUserStop = 1;
constexpr int kChunkWriteFailed = 2;
// The last chunk is read but the drive no longer holds the disc it was
// read from; the chunk is not written.
constexpr int kChunkDiscChanged = 3;

int WriteCopyChunk(void* progress, const ExtractChunk* chunk);

// One of the FsGetFile results of wfxapi.h.
int CopyFileOut(PluginState& state, const HostText& remoteName,
                const HostText& localName, int copyFlags);

// Tells the user, through the copy's usual channel, that copying remoteName
// failed for a reason the copy itself could not report. Allocates nothing.
void ShowCopyFailure(PluginState& state, const char* remoteName);
void ShowCopyFailure(PluginState& state, const WCHAR* remoteName);
