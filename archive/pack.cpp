#include "archive/pack.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <string>

#include "archive/packtree.h"
#include "plugin/localfile.h"
#include "plugin/messagebox.h"
#include "writer/writer.h"

namespace {

std::atomic<tProcessDataProc> gProgress{nullptr};
std::atomic<tProcessDataProcW> gProgressW{nullptr};

// The progress callback's answer: 0 cancels. Without one, go on.
int ReportBytes(const writer::Node& file, std::uint64_t bytes) {
  const int size = static_cast<int>(bytes);
  if (tProcessDataProcW progress = gProgressW.load()) {
    WideString name = file.source.path.units.empty() ? DecodeCp1252(file.name)
                                                     : file.source.path.units;
    return progress(&name[0], size);
  }
  if (tProcessDataProc progress = gProgress.load()) {
    std::string name =
        file.source.path.units.empty() ? file.source.path.bytes : file.name;
    return progress(&name[0], size);
  }
  return 1;
}

int TakeProgress(void*, const writer::Node& file, std::uint64_t bytes) {
  return ReportBytes(file, bytes) == 0 ? 1 : 0;
}

int ArchiveResult(int writeResult) {
  switch (writeResult) {
    case writer::kWriteDone:
      return 0;
    case writer::kWriteBadTree:
    case writer::kWriteCreateFailed:
      return E_ECREATE;
    case writer::kWriteSourceFailed:
      return E_EREAD;
    case writer::kWriteCancelled:
      return E_EABORTED;
    default:
      return E_EWRITE;
  }
}

// The volume's creation time: now, as a FILETIME.
std::uint64_t Now() {
  constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;
  return kUnixEpoch + static_cast<std::uint64_t>(std::time(nullptr)) * 10000000;
}

writer::LocalName LocalNameOf(const HostText& text) {
  writer::LocalName name;
  if (text.wide) {
    name.units = text.units;
  } else {
    name.bytes = text.bytes;
  }
  return name;
}

int Refuse(int result, const std::string& message) {
  ShowMessageBox(message.c_str(), "Xbox DVD Filesystem");
  return result;
}

}  // namespace

void SetPackProgress(tProcessDataProc progress) { gProgress = progress; }
void SetPackProgressW(tProcessDataProcW progress) { gProgressW = progress; }

int PackLocalFiles(const PackRequest& request) {
  if (LocalFileExists(request.packedFile)) {
    // Editing an image comes later; any other file stays as it is.
    return E_NOT_SUPPORTED;
  }
  writer::Node root;
  root.isDirectory = true;
  std::string error;
  int result = AddLocalFiles(request, &root, &error);
  if (result != 0) return Refuse(result, error);
  writer::WriteOptions options;
  options.timestamp = Now();
  options.progress = TakeProgress;
  writer::LayoutReport report;
  result = ArchiveResult(writer::WriteImage(
      root, LocalNameOf(request.packedFile), options, &report, &error));
  if (result == E_EABORTED) return result;
  if (result != 0) return Refuse(result, error);
  if (request.flags & PK_PACK_MOVE_FILES) RemovePackedSources(request);
  return 0;
}
