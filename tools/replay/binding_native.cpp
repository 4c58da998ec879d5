// The replay host's native twin: the plug-in's entry points are linked in,
// and the drive reads an image file through the native platform layer,
// which also records message boxes and counts handles and blocks.
#include <fstream>
#include <sstream>

#include "archive/exports.h"
#include "filesystem/exports.h"
#include "platform/native/testapi.h"
#include "tools/replay/binding.h"

namespace {

std::size_t gBoxesSeen = 0;

int WINAPI FindNext(HANDLE handle, WIN32_FIND_DATAA* record) {
  return FsFindNext(static_cast<TCFS_FNC*>(handle), record);
}

int WINAPI FindClose(HANDLE handle) {
  return FsFindClose(static_cast<TCFS_FNC*>(handle));
}

}  // namespace

bool BindPlugin(const std::string& target, const std::string& drive,
                Plugin& plugin, std::string& error) {
  if (!std::ifstream(target)) {
    error = "cannot read " + target;
    return false;
  }
  // The image is opened anew at each mount, so a link that is moved
  // between walks brings in the next image.
  nativewin::AddDrive(drive + "\\", DRIVE_CDROM, target);
  // As the DLLs' hosts apply Windows' rules, so does the platform here.
  nativewin::RefuseReadsPastEnd();
  plugin.init = FsInit;
  plugin.getDefRootName = FsGetDefRootName;
  plugin.findFirst = FsFindFirst;
  plugin.findNext = FindNext;
  plugin.findClose = FindClose;
  plugin.getFile = FsGetFile;
  return true;
}

bool BindArchive(const std::string&, ArchivePlugin& archive, std::string&) {
  archive =
      ArchivePlugin{OpenArchiveW,  ReadHeaderExW,       ProcessFileW,
                    CloseArchive,  SetProcessDataProcW, CanYouHandleThisFileW,
                    GetPackerCaps, GetBackgroundFlags,  PackFilesW,
                    DeleteFilesW};
  return true;
}

char LocalSeparator() { return '/'; }

std::vector<BoxMessage> TakeMessageBoxes() {
  const auto& all = nativewin::MessageBoxes();
  std::vector<BoxMessage> boxes;
  for (; gBoxesSeen < all.size(); ++gBoxesSeen) {
    const nativewin::MessageBoxRecord& box = all[gBoxesSeen];
    boxes.push_back(BoxMessage{box.hasCaption, box.caption, box.text});
  }
  return boxes;
}

std::string UsageLine() {
  std::ifstream statm("/proc/self/statm");
  unsigned long size = 0;
  unsigned long resident = 0;
  statm >> size >> resident;
  return "pages=" + std::to_string(size) +
         " resident=" + std::to_string(resident);
}

std::string Leftovers() {
  const nativewin::Stats& stats = nativewin::GetStats();
  if (stats.openHandles == 0 && stats.liveBlocks == 0) return "";
  std::ostringstream left;
  left << "handles=" << stats.openHandles << " blocks=" << stats.liveBlocks;
  return left.str();
}
