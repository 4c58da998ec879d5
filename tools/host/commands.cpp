#include "tools/host/commands.h"

#include <vector>

#include "tools/host/callbacks.h"
#include "tools/host/output.h"

namespace {

using Records = std::vector<WIN32_FIND_DATAA>;

// One whole listing, as a file manager reads it before showing a folder.
Records ListFolder(const Plugin& plugin, const std::string& path,
                   DWORD& lastError) {
  Records records;
  std::vector<char> pathBuffer(path.begin(), path.end());
  pathBuffer.push_back('\0');
  WIN32_FIND_DATAA data{};
  SetLastError(0);
  HANDLE handle = plugin.findFirst(pathBuffer.data(), &data);
  if (handle == INVALID_HANDLE_VALUE) {
    lastError = GetLastError();
    return records;
  }
  do {
    records.push_back(data);
    data = WIN32_FIND_DATAA{};
  } while (plugin.findNext(handle, &data));
  plugin.findClose(handle);
  return records;
}

bool IsFolder(const WIN32_FIND_DATAA& record) {
  return (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void PrintRecord(const WIN32_FIND_DATAA& record, const std::string& name) {
  unsigned long long size =
      (static_cast<unsigned long long>(record.nFileSizeHigh) << 32) |
      record.nFileSizeLow;
  Say("%c %08lx %10llu %s", IsFolder(record) ? 'D' : 'F',
      static_cast<unsigned long>(record.dwFileAttributes), size, name.c_str());
}

std::string Join(const std::string& folder, const char* name) {
  bool separated =
      !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
  return folder + (separated ? "" : "\\") + name;
}

void PrintTree(const Plugin& plugin, const std::string& path, int& count) {
  DWORD lastError = 0;
  for (const WIN32_FIND_DATAA& record : ListFolder(plugin, path, lastError)) {
    std::string child = Join(path, record.cFileName);
    PrintRecord(record, child);
    ++count;
    if (IsFolder(record)) PrintTree(plugin, child, count);
  }
}

const char* ResultName(int result) {
  switch (result) {
    case kFileOk:
      return "ok";
    case kFileExists:
      return "exists";
    case kFileNotFound:
      return "not-found";
    case kFileReadError:
      return "read-error";
    case kFileWriteError:
      return "write-error";
    case kFileUserAbort:
      return "aborted";
    default:
      return "unknown";
  }
}

bool CopyOne(const Plugin& plugin, const std::string& remote,
             const std::string& local, const CopyOptions& options,
             const RemoteInfoStruct& info) {
  ResetProgress(options.stopAtReport);
  int result =
      plugin.getFile(remote.c_str(), local.c_str(), options.copyFlags, &info);
  Say("RESULT %d %s %s", result, ResultName(result), remote.c_str());
  return result == kFileOk;
}

}  // namespace

bool ShowRootName(const Plugin& plugin) {
  char name[MAX_PATH] = {};
  plugin.getDefRootName(name, sizeof(name));
  Say("ROOT %s", name);
  return true;
}

bool ListOne(const Plugin& plugin, const std::string& path) {
  DWORD lastError = 0;
  Records records = ListFolder(plugin, path, lastError);
  for (const WIN32_FIND_DATAA& record : records)
    PrintRecord(record, record.cFileName);
  if (records.empty())
    Say("EMPTY lasterror=%lu", static_cast<unsigned long>(lastError));
  else
    Say("COUNT %d", static_cast<int>(records.size()));
  return true;
}

bool ListTree(const Plugin& plugin, const std::string& path) {
  int count = 0;
  PrintTree(plugin, path, count);
  Say("COUNT %d", count);
  return true;
}

bool CopyOutFile(const Plugin& plugin, const std::string& remote,
                 const std::string& local, const CopyOptions& options) {
  return CopyOne(plugin, remote, local, options, RemoteInfoStruct{});
}

bool CopyOutFolder(const Plugin& plugin, const std::string& remoteDir,
                   const std::string& localDir, const CopyOptions& options) {
  if (!CreateDirectoryA(localDir.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    Say("FAIL cannot create folder %s", localDir.c_str());
    return false;
  }
  bool ok = true;
  DWORD lastError = 0;
  for (const WIN32_FIND_DATAA& record :
       ListFolder(plugin, remoteDir, lastError)) {
    std::string remote = Join(remoteDir, record.cFileName);
    std::string local = Join(localDir, record.cFileName);
    if (IsFolder(record)) {
      ok = CopyOutFolder(plugin, remote, local, options) && ok;
      continue;
    }
    RemoteInfoStruct info{record.nFileSizeLow, record.nFileSizeHigh,
                          record.ftLastWriteTime,
                          static_cast<int>(record.dwFileAttributes)};
    ok = CopyOne(plugin, remote, local, options, info) && ok;
  }
  return ok;
}
