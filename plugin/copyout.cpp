#include "plugin/copyout.h"

#include "path/filelookup.h"
#include "path/hostpath.h"
#include "plugin/messages.h"

namespace {

constexpr std::uint32_t kCopyChunkSectors = 32;

int PercentDone(std::uint32_t bytesWritten, std::uint32_t fileSize) {
  if (fileSize == 0) return 100;
  return static_cast<int>(static_cast<double>(bytesWritten) /
                          static_cast<double>(fileSize) * 100.0);
}

template <typename... Args>
void ShowFormatted(PluginState& state, const char* format, Args... args) {
  char message[1024];
  std::snprintf(message, sizeof message, format, args...);
  ShowHostMessage(state, message);
}

bool LocalFileExists(const std::string& name) {
  return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Empties or creates the file, then opens it for appending, unbuffered so
// that each chunk is one write straight from the stream's buffer.
std::FILE* OpenLocalFile(const std::string& name) {
  if (std::FILE* created = std::fopen(name.c_str(), "wb")) std::fclose(created);
  std::FILE* file = std::fopen(name.c_str(), "ab");
  if (file) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

// Streams the node's bytes into the open local file; a FsGetFile result.
int StreamToLocalFile(PluginState& state, HANDLE handle, const DirNode& node,
                      const std::string& remotePath,
                      const std::string& localName, std::FILE* file) {
  CopyProgress progress{localName, remotePath, file, state, node.size, 0};
  const ExtractRequest request{
      static_cast<std::int64_t>(SectorToOffset(node.startSector)), node.size,
      kCopyChunkSectors, WriteCopyChunk, &progress};
  const int code = vepo_extractdata(handle, &request);
  if (code > 10) {
    ShowFormatted(state, "ERROR: vepo_extractdata failed, code = %d", code);
    return kFileReadError;
  }
  if (code == kChunkUserStop) return kFileUserAbort;
  if (code == kChunkWriteFailed) {
    ShowFormatted(state, "ERROR: file '%s' cannot be written",
                  localName.c_str());
    return kFileWriteError;
  }
  return kFileOk;
}

}  // namespace

int WriteCopyChunk(void* userData, const ExtractChunk* chunk) {
  auto* progress = static_cast<CopyProgress*>(userData);
  if (std::fwrite(chunk->data, 1, chunk->length, progress->localFile) !=
      chunk->length) {
    return kChunkWriteFailed;
  }
  progress->bytesWritten += chunk->length;
  const PluginState& state = progress->pluginState;
  if (!state.progress) return 0;
  const int answer = state.progress(
      state.pluginNr, &progress->sourceName[0], &progress->targetName[0],
      PercentDone(progress->bytesWritten, progress->fileSize));
  return answer == 1 ? kChunkUserStop : 0;
}

int CopyFileOut(PluginState& state, const char* remoteName,
                const char* localName, int copyFlags) {
  const std::string remotePath = SkipLeadingSlash(remoteName);
  const std::string local = localName;
  if (!state.initialized) {
    ShowMessageBox(
        "ERROR: plugin wasnt initialized, cannot proceed with file copy",
        kRootName);
    return kFileReadError;
  }
  DirNode node;
  if (FindFileNode(remotePath.c_str(), state, node) != kFileFound) {
    ShowFormatted(state, "ERROR: file '%s' not found", remotePath.c_str());
    return kFileNotFound;
  }
  const std::string drivePart = remotePath.size() >= 2 && remotePath[1] == ':'
                                    ? remotePath.substr(0, 2)
                                    : std::string();
  HANDLE handle = OpenDrive(state.driveCache, drivePart.c_str());
  if (!handle) {
    ShowFormatted(state, "ERROR: drive '%s' cannot be accessed",
                  drivePart.c_str());
    return kFileReadError;
  }
  // The host asks the user before it overwrites, but only when told the
  // file is there.
  if (!(copyFlags & kCopyFlagOverwrite) && LocalFileExists(local)) {
    return kFileExists;
  }
  std::FILE* file = OpenLocalFile(local);
  if (!file) {
    ShowFormatted(state, "ERROR: file '%s' cannot be opened for writing",
                  local.c_str());
    return kFileWriteError;
  }
  int result = kFileWriteError;
  try {
    result = StreamToLocalFile(state, handle, node, remotePath, local, file);
  } catch (...) {
    std::fclose(file);
    throw;
  }
  if (std::fclose(file) != 0 && result == kFileOk) {
    ShowFormatted(state, "ERROR: file '%s' cannot be written", local.c_str());
    result = kFileWriteError;
  }
  return result;
}

void ShowCopyFailure(PluginState& state, const char* remoteName) {
  ShowFormatted(state, "ERROR: file '%s' cannot be copied",
                remoteName ? SkipLeadingSlash(remoteName) : "");
}
