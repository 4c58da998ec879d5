#include "tools/host/commands.h"

#include <winver.h>

#include <cstdio>
#include <vector>

#include "tools/host/callbacks.h"
#include "tools/host/output.h"

Records ListFolder(const Plugin& plugin, const std::string& path,
                   DWORD& lastError) {
  return ReadListing(plugin.findFirst, plugin.findNext, plugin.findClose, path,
                     lastError);
}

namespace {

bool IsFolder(const WIN32_FIND_DATAA& record) {
  return (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

unsigned long long SizeOf(const WIN32_FIND_DATAA& record) {
  return (static_cast<unsigned long long>(record.nFileSizeHigh) << 32) |
         record.nFileSizeLow;
}

void PrintRecord(const WIN32_FIND_DATAA& record, const std::string& name) {
  Say("%c %08lx %10llu %s", IsFolder(record) ? 'D' : 'F',
      static_cast<unsigned long>(record.dwFileAttributes), SizeOf(record),
      name.c_str());
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

struct Stopwatch {
  LARGE_INTEGER start;
  Stopwatch() { QueryPerformanceCounter(&start); }
  double Seconds() const {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  }
};

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

// The size of a remote file as its folder lists it; -1 when not found. The
// plug-in's complaints go unseen: the copy that follows reports its own.
long long LookUpSize(const Plugin& plugin, const std::string& remote) {
  std::size_t cut = remote.find_last_of("\\/");
  if (cut == std::string::npos) return -1;
  std::string folder = cut == 0 ? "\\" : remote.substr(0, cut);
  std::string name = remote.substr(cut + 1);
  DWORD lastError = 0;
  callbackState.quiet = true;
  Records records = ListFolder(plugin, folder, lastError);
  callbackState.quiet = false;
  for (const WIN32_FIND_DATAA& record : records) {
    if (!IsFolder(record) && _stricmp(record.cFileName, name.c_str()) == 0)
      return static_cast<long long>(SizeOf(record));
  }
  return -1;
}

int CopyOne(const Plugin& plugin, const std::string& remote,
            const std::string& local, const CopyOptions& options,
            const RemoteInfoStruct& info, long long size) {
  ResetProgress(options.stopAtReport, options.pauseAtReport, options.pauseFile);
  StartProgress(size);
  const Stopwatch clock;
  int result =
      plugin.getFile(remote.c_str(), local.c_str(), options.copyFlags, &info);
  const double seconds = clock.Seconds();
  const int outcome = ReportCopyResult(result, remote);
  if (options.timed) Say("TIME %.6f", seconds);
  return outcome;
}

// One string of the version resource, in its first language.
std::string VersionString(const std::vector<char>& data, const WORD* language,
                          const char* name) {
  char query[64];
  std::snprintf(query, sizeof(query), "\\StringFileInfo\\%04x%04x\\%s",
                language[0], language[1], name);
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), query, &value, &length) || length == 0)
    return "";
  return static_cast<const char*>(value);
}

}  // namespace

int ReportCopyResult(int result, const std::string& remote) {
  Say("RESULT %d %s %s", result, ResultName(result), remote.c_str());
  if (result >= kFileOk && result <= kFileUserAbort) return result;
  return kExitFailed;
}

int ShowRootName(const Plugin& plugin) {
  char name[MAX_PATH] = {};
  plugin.getDefRootName(name, sizeof(name));
  Say("ROOT %s", name);
  return kExitOk;
}

int ShowVersion(const Plugin& plugin) {
  char file[MAX_PATH] = {};
  GetModuleFileNameA(plugin.module, file, sizeof(file));
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(file, &ignored);
  std::vector<char> data(size);
  void* value = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoA(file, 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value,
                      &length) ||
      length < 2 * sizeof(WORD)) {
    Say("FAIL no version information in %s", file);
    return kExitFailed;
  }
  const WORD* language = static_cast<const WORD*>(value);
  std::string product = VersionString(data, language, "ProductName");
  std::string version = VersionString(data, language, "FileVersion");
  std::string original = VersionString(data, language, "OriginalFilename");
  if (!VerQueryValueA(data.data(), "\\", &value, &length) ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    Say("FAIL no fixed version information in %s", file);
    return kExitFailed;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  Say("VERSION product=%s version=%s original=%s fixed=%u.%u.%u.%u",
      Quoted(product.c_str()).c_str(), version.c_str(),
      Quoted(original.c_str()).c_str(),
      static_cast<unsigned>(HIWORD(fixed->dwFileVersionMS)),
      static_cast<unsigned>(LOWORD(fixed->dwFileVersionMS)),
      static_cast<unsigned>(HIWORD(fixed->dwFileVersionLS)),
      static_cast<unsigned>(LOWORD(fixed->dwFileVersionLS)));
  return product.empty() || version.empty() ? kExitFailed : kExitOk;
}

int ListOne(const Plugin& plugin, const std::string& path) {
  DWORD lastError = 0;
  Records records = ListFolder(plugin, path, lastError);
  for (const WIN32_FIND_DATAA& record : records)
    PrintRecord(record, record.cFileName);
  if (records.empty())
    Say("EMPTY lasterror=%lu", static_cast<unsigned long>(lastError));
  else
    Say("COUNT %d", static_cast<int>(records.size()));
  return kExitOk;
}

int ListTree(const Plugin& plugin, const std::string& path) {
  int count = 0;
  PrintTree(plugin, path, count);
  Say("COUNT %d", count);
  return kExitOk;
}

int CopyOutFile(const Plugin& plugin, const std::string& remote,
                const std::string& local, const CopyOptions& options) {
  // Only the bar shows bytes; without it the extra listing is not worth it.
  long long size = ProgressIsBar() ? LookUpSize(plugin, remote) : -1;
  return CopyOne(plugin, remote, local, options, RemoteInfoStruct{}, size);
}

int CopyLocalFile(const std::string& source, const std::string& target,
                  const CopyOptions& options) {
  const Stopwatch clock;
  const BOOL copied = CopyFileA(source.c_str(), target.c_str(), FALSE);
  const double seconds = clock.Seconds();
  Say("FILECOPY %s %s", copied ? "ok" : "failed", source.c_str());
  if (options.timed) Say("TIME %.6f", seconds);
  return copied ? kExitOk : kExitFailed;
}

int CopyOutFolder(const Plugin& plugin, const std::string& remoteDir,
                  const std::string& localDir, const CopyOptions& options) {
  if (!CreateDirectoryA(localDir.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    Say("FAIL cannot create folder %s", localDir.c_str());
    return kExitFailed;
  }
  int outcome = kExitOk;
  DWORD lastError = 0;
  for (const WIN32_FIND_DATAA& record :
       ListFolder(plugin, remoteDir, lastError)) {
    std::string remote = Join(remoteDir, record.cFileName);
    std::string local = Join(localDir, record.cFileName);
    RemoteInfoStruct info{record.nFileSizeLow, record.nFileSizeHigh,
                          record.ftLastWriteTime,
                          static_cast<int>(record.dwFileAttributes)};
    int done = IsFolder(record)
                   ? CopyOutFolder(plugin, remote, local, options)
                   : CopyOne(plugin, remote, local, options, info,
                             static_cast<long long>(SizeOf(record)));
    // The first failure decides; the copy goes on with the rest.
    if (outcome == kExitOk) outcome = done;
  }
  return outcome;
}
