#include "filesystem/copyout.h"

#include "disc/filestream.h"
#include "filesystem/messages.h"
#include "path/filelookup.h"
#include "path/hostpath.h"
#include "plugin/localfile.h"

namespace {

int PercentDone(std::uint32_t bytesWritten, std::uint32_t fileSize) {
  if (fileSize == 0) return 100;
  return static_cast<int>(static_cast<double>(bytesWritten) /
                          static_cast<double>(fileSize) * 100.0);
}

template <typename... Args>
void ShowFormatted(PluginState& state, bool wide, const char* format,
                   const Args&... args) {
  ShowHostMessage(state, FormatHostText(wide, format, args...));
}

// The length of the drive name that starts the path (E:, or sr0: on Linux),
// by the path code's rule; 0 when the path starts with a separator.
std::size_t DrivePartLength(const std::string& remotePath) {
  std::string drive;
  GetDriveName(remotePath.substr(0, remotePath.find_first_of("\\/")).c_str(),
               drive);
  return drive.size();
}

// The side's progress callback's answer; 0 (go on) when it has none.
int ReportProgress(CopyProgress& progress, int percent) {
  const PluginState& state = progress.pluginState;
  HostText& source = progress.sourceName;
  HostText& target = progress.targetName;
  if (source.wide) {
    return state.progressW ? state.progressW(state.pluginNr, &source.units[0],
                                             &target.units[0], percent)
                           : 0;
  }
  return state.progress ? state.progress(state.pluginNr, &source.bytes[0],
                                         &target.bytes[0], percent)
                        : 0;
}

// Streams the node's bytes into the open local file; a FsGetFile result.
int StreamToLocalFile(PluginState& state, const Device& device,
                      const DirNode& node, const HostText& remotePath,
                      const HostText& drivePart, const HostText& localName,
                      std::FILE* file) {
  CopyProgress progress{localName, remotePath, file, state, node.size, 0};
  const int code = vepo_streamfile(device, node, WriteCopyChunk, &progress);
  if (code > 10) {
    ShowFormatted(state, localName.wide,
                  "ERROR: vepo_extractdata failed, code = %d", code);
    return kFileReadError;
  }
  if (code == kChunkUserStop) return kFileUserAbort;
  if (code == kChunkDiscChanged) {
    ShowFormatted(state, localName.wide,
                  "ERROR: the disc in drive '%s' changed during the copy of "
                  "'%s'",
                  drivePart, remotePath);
    return kFileReadError;
  }
  if (code == kChunkWriteFailed) {
    ShowFormatted(state, localName.wide, "ERROR: file '%s' cannot be written",
                  localName);
    return kFileWriteError;
  }
  return kFileOk;
}

// A unit that no disc byte decodes to names nothing on the disc.
bool FindsFile(const HostText& remotePath, PluginState& state, DirNode& node) {
  bool cut = false;
  ReachableBelowDrive(remotePath, &cut);
  return !cut && FindFileNode(remotePath.bytes.c_str(), state.driveCache,
                              node) == kFileFound;
}

}  // namespace

int WriteCopyChunk(void* userData, const ExtractChunk* chunk) {
  auto* progress = static_cast<CopyProgress*>(userData);
  // Every byte is read: a copy is right only if the disc it came from is
  // still the one whose tree placed it. The last chunk stays unwritten
  // otherwise, so the local file is never whole.
  if (chunk->last && !DiscUnchanged(progress->pluginState.driveCache)) {
    return kChunkDiscChanged;
  }
  if (std::fwrite(chunk->data, 1, chunk->length, progress->localFile) !=
      chunk->length) {
    return kChunkWriteFailed;
  }
  progress->bytesWritten += chunk->length;
  const int answer = ReportProgress(
      *progress, PercentDone(progress->bytesWritten, progress->fileSize));
  return answer == 1 ? kChunkUserStop : 0;
}

int CopyFileOut(PluginState& state, const HostText& remoteName,
                const HostText& local, int copyFlags) {
  const bool wide = remoteName.wide;
  const std::string& remoteBytes = remoteName.bytes;
  const HostText remotePath = Slice(
      remoteName, SkipLeadingSlash(remoteBytes.c_str()) - remoteBytes.c_str());
  if (!state.initialized) {
    ShowMessageBox(
        FormatHostText(
            wide,
            "ERROR: plugin wasnt initialized, cannot proceed with file copy"),
        kRootName);
    return kFileReadError;
  }
  CheckDiscOnNextOpen(state.driveCache);
  DirNode node;
  if (!FindsFile(remotePath, state, node)) {
    ShowFormatted(state, wide, "ERROR: file '%s' not found", remotePath);
    return kFileNotFound;
  }
  const HostText drivePart =
      Slice(remotePath, 0, DrivePartLength(remotePath.bytes));
  const Device* device = OpenDrive(state.driveCache, drivePart.bytes.c_str());
  if (!device) {
    ShowFormatted(state, wide, "ERROR: drive '%s' cannot be accessed",
                  drivePart);
    return kFileReadError;
  }
  // The host asks the user before it overwrites, but only when told the
  // file is there.
  if (!(copyFlags & kCopyFlagOverwrite) && LocalFileExists(local)) {
    return kFileExists;
  }
  std::FILE* file = OpenLocalFile(local);
  if (!file) {
    ShowFormatted(state, wide, "ERROR: file '%s' cannot be opened for writing",
                  local);
    return kFileWriteError;
  }
  int result = kFileWriteError;
  try {
    result = StreamToLocalFile(state, *device, node, remotePath, drivePart,
                               local, file);
  } catch (...) {
    std::fclose(file);
    throw;
  }
  if (std::fclose(file) != 0 && result == kFileOk) {
    ShowFormatted(state, wide, "ERROR: file '%s' cannot be written", local);
    result = kFileWriteError;
  }
  return result;
}

void ShowCopyFailure(PluginState& state, const char* remoteName) {
  char message[1024];
  std::snprintf(message, sizeof message, "ERROR: file '%s' cannot be copied",
                remoteName ? SkipLeadingSlash(remoteName) : "");
  ShowHostMessage(state, message);
}

void ShowCopyFailure(PluginState& state, const WCHAR* remoteName) {
  // The same message, put together in place.
  WCHAR message[1024];
  std::size_t length = 0;
  const auto append = [&](const auto* text) {
    for (; *text && length + 1 < sizeof message / sizeof *message; ++text) {
      message[length++] = static_cast<WCHAR>(*text);
    }
  };
  append("ERROR: file '");
  if (remoteName) {
    const bool slash = *remoteName == '\\' || *remoteName == '/';
    append(remoteName + (slash ? 1 : 0));
  }
  append("' cannot be copied");
  message[length] = 0;
  ShowHostMessage(state, message);
}
