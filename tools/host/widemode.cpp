#include "tools/host/widemode.h"

#include <cstring>

#include "tools/host/callbacks.h"
#include "tools/host/importpatch.h"
#include "tools/host/output.h"
#include "tools/host/widearguments.h"
#include "tools/host/widecallbacks.h"

namespace {

using WideRecords = std::vector<WIN32_FIND_DATAW>;

WideRecords ListFolderW(const WidePlugin& wide, const std::string& path,
                        DWORD& lastError) {
  return ReadListing(wide.findFirst, wide.findNext, wide.findClose,
                     FromUtf8(path), lastError);
}

bool IsFolder(const WIN32_FIND_DATAW& record) {
  return (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void PrintRecord(const WIN32_FIND_DATAW& record, const std::string& name) {
  Say("%c %08lx %10llu %s", IsFolder(record) ? 'D' : 'F',
      static_cast<unsigned long>(record.dwFileAttributes),
      (static_cast<unsigned long long>(record.nFileSizeHigh) << 32) |
          record.nFileSizeLow,
      name.c_str());
}

int ListOneW(const WidePlugin& wide, const std::string& path) {
  DWORD lastError = 0;
  WideRecords records = ListFolderW(wide, path, lastError);
  for (const WIN32_FIND_DATAW& record : records)
    PrintRecord(record, Utf8(record.cFileName));
  if (records.empty())
    Say("EMPTY lasterror=%lu", static_cast<unsigned long>(lastError));
  else
    Say("COUNT %d", static_cast<int>(records.size()));
  return kExitOk;
}

void PrintTreeW(const WidePlugin& wide, const std::string& path, int& count) {
  DWORD lastError = 0;
  for (const WIN32_FIND_DATAW& record : ListFolderW(wide, path, lastError)) {
    bool separated = !path.empty() && path.back() == '\\';
    std::string child = path + (separated ? "" : "\\") + Utf8(record.cFileName);
    PrintRecord(record, child);
    ++count;
    if (IsFolder(record)) PrintTreeW(wide, child, count);
  }
}

int CopyOutFileW(const WidePlugin& wide, const std::string& remote,
                 const std::string& local, const CopyOptions& options) {
  ResetProgress(options.stopAtReport, options.pauseAtReport, options.pauseFile);
  StartProgress(-1);
  std::wstring remoteW = FromUtf8(remote);
  std::wstring localW = FromUtf8(local);
  RemoteInfoStruct info{};
  int result = wide.getFile(&remoteW[0], &localW[0], options.copyFlags, &info);
  return ReportCopyResult(result, remote);
}

}  // namespace

void UseWideArguments(int& argc, char**& argv) {
  bool wide = false;
  for (int i = 1; i < argc && argv[i][0] == '-'; ++i)
    wide = wide || std::strcmp(argv[i], "--wide") == 0;
  if (wide) TakeWideArguments(argc, argv);
}

bool StartWideMode(const Plugin& plugin, WidePlugin& wide, std::string& error) {
  if (!LoadWideEntryPoints(plugin.module, wide, error)) return false;
  PatchImport(plugin.module, "USER32.dll", "MessageBoxW",
              reinterpret_cast<const void*>(&OnMessageBoxW));
  return true;
}

int RunWideCommand(const Plugin& plugin, const WidePlugin& wide,
                   const std::string& name,
                   const std::vector<std::string>& args,
                   const CopyOptions& options) {
  if (name == "root") return ShowRootName(plugin);
  if (name == "version") return ShowVersion(plugin);
  if (name == "ls") return ListOneW(wide, args[0]);
  if (name == "get") return CopyOutFileW(wide, args[0], args[1], options);
  if (name == "tree") {
    int count = 0;
    PrintTreeW(wide, args[0], count);
    Say("COUNT %d", count);
    return kExitOk;
  }
  Say("FAIL %s has no wide form", name.c_str());
  return kExitFailed;
}
