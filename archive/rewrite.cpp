#include "archive/rewrite.h"

#include <atomic>
#include <ctime>

#include "archive/pack.h"
#include "disc/dirnode.h"
#include "plugin/longpath.h"
#include "plugin/messagebox.h"

namespace {

std::atomic<tProcessDataProc> gProgress{nullptr};
std::atomic<tProcessDataProcW> gProgressW{nullptr};

struct Progress {
  ImageEdit* edit;
  ProgressForm form;
  std::uint64_t total = 0;  // bytes of file data, for percents
  std::uint64_t done = 0;
  int percent = 0;
};

// The host callback's answer to size (bytes, or -percent): 0 cancels.
int Report(const writer::Node& file, int size) {
  if (tProcessDataProcW progress = gProgressW.load()) {
    WideString name = file.source.path.units.empty() ? DecodeCp1252(file.name)
                                                     : file.source.path.units;
    return progress(&name[0], size);
  }
  if (tProcessDataProc progress = gProgress.load()) {
    std::string name =
        file.source.path.units.empty() ? file.source.path.bytes : file.name;
    if (name.empty()) name = file.name;
    return progress(&name[0], size);
  }
  return 1;
}

int TakeProgress(void* context, const writer::Node& file, std::uint64_t bytes) {
  auto* progress = static_cast<Progress*>(context);
  if (progress->form == ProgressForm::kBytes) {
    return Report(file, static_cast<int>(bytes)) == 0 ? 1 : 0;
  }
  progress->done += bytes;
  const int percent = static_cast<int>(progress->done * 100 / progress->total);
  if (percent == progress->percent) return 0;
  progress->percent = percent;
  return Report(file, -percent) == 0 ? 1 : 0;
}

void CloseOldImage(void* context) {
  static_cast<Progress*>(context)->edit->archive.reset();
}

std::uint64_t DataBytes(const writer::Node& folder) {
  std::uint64_t bytes = 0;
  for (const writer::Node& child : folder.children) {
    bytes += child.isDirectory ? DataBytes(child) : child.size;
  }
  return bytes;
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

// Where the walk is in the tree being built: the folder of each depth.
struct TreeBuild {
  std::vector<writer::Node*> folders;
};

void AddWalked(ImageEdit* edit, TreeBuild* build, const TreeWalk& walk) {
  const DirNode& entry = *walk.current;
  std::size_t depth = 0;
  for (char c : walk.path) depth += c == walk.separator;
  build->folders.resize(depth + 1);
  writer::Node* parent = build->folders[depth];
  writer::Node node;
  node.name = entry.name;
  node.isDirectory = IsDirectory(entry);
  node.size = node.isDirectory ? 0 : entry.size;
  node.source.kind = writer::SourceKind::kImageRange;
  node.source.image = &edit->archive->device;
  node.source.offset = SectorToOffset(entry.startSector);
  parent->children.push_back(std::move(node));
  // Children follow their folder before any sibling of it: until then the
  // folder stays where it is.
  if (IsDirectory(entry)) {
    build->folders.push_back(&parent->children.back());
  }
}

}  // namespace

writer::LocalName LocalNameOf(const HostText& text) {
  writer::LocalName name;
  if (text.wide) {
    name.units = LongPathForm(text.units);
  } else {
    name.bytes = text.bytes;
  }
  return name;
}

void SetPackProgress(tProcessDataProc progress) { gProgress = progress; }
void SetPackProgressW(tProcessDataProcW progress) { gProgressW = progress; }

int ReadImageTree(const HostText& image, ImageEdit* edit) {
  int result = 0;
  edit->archive.reset(OpenImageArchive(image, HeaderStyle::kUnix, &result));
  if (!edit->archive) return result;
  edit->root = writer::Node();
  edit->root.isDirectory = true;
  TreeBuild build{{&edit->root}};
  while ((result = NextArchiveEntry(*edit->archive)) == 0) {
    AddWalked(edit, &build, edit->archive->walk);
  }
  return result == E_END_ARCHIVE ? 0 : result;
}

int WriteHostImage(const writer::Node& root, const HostText& target,
                   ImageEdit* edit, ProgressForm form, HostText* error) {
  Progress progress{edit, form};
  progress.total = DataBytes(root);
  writer::WriteOptions options;
  options.timestamp = Now();
  if (form == ProgressForm::kBytes || progress.total > 0) {
    options.progress = TakeProgress;
  }
  options.progressContext = &progress;
  options.beforeReplace = CloseOldImage;
  writer::LayoutReport report;
  std::string message;
  const int result = ArchiveResult(writer::WriteImage(
      root, LocalNameOf(target), options, &report, &message));
  // The writer names local files by their Latin-1 units, disc names by
  // their Windows-1252 bytes.
  error->wide = target.wide;
  error->bytes = message;
  if (target.wide) error->units = DecodeCp1252(message);
  return result;
}

HostText Naming(const std::string& text, const HostText& name) {
  HostText named;
  named.wide = name.wide;
  named.bytes = text + name.bytes;
  if (name.wide) named.units = DecodeCp1252(text) + name.units;
  return named;
}

int Refuse(int result, const HostText& message) {
  if (result == E_EABORTED) return result;
  ShowMessageBox(message, "Xbox DVD Filesystem");
  return result;
}
