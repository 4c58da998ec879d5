// wcxhost: loads an archive plug-in the way the Windows file manager does
// and opens an image file through it: detect, list, extract, test, with a
// cancel at a chosen progress report. Names in UTF-8.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/host/archiveplugin.h"
#include "tools/host/callbacks.h"
#include "tools/host/exitcodes.h"
#include "tools/host/importpatch.h"
#include "tools/host/output.h"
#include "tools/host/strict.h"
#include "tools/host/wcxpack.h"
#include "tools/host/widearguments.h"
#include "tools/host/widecallbacks.h"

namespace {

const char kUsage[] =
    "usage: wcxhost [--strict] ARCHIVE_DLL COMMAND IMAGE [ARGS]\n"
    "  detect IMAGE                       CanYouHandleThisFileW: DETECT 1|0\n"
    "  list IMAGE                         every header (H lines) and the\n"
    "                                     result that ended them (END)\n"
    "  extract IMAGE DEST [CANCEL_AT]     every file below DEST, its folders\n"
    "                                     made by the host; answer 0 at\n"
    "                                     each file's report CANCEL_AT\n"
    "  test IMAGE                         PK_TEST on every file\n"
    "  pack IMAGE FOLDER FLAGS [SUBPATH [CANCEL_AT]]\n"
    "                                     PackFilesW of everything below\n"
    "                                     FOLDER: PACK result bytes\n"
    "  delete IMAGE CANCEL_AT NAME...     DeleteFilesW: PERCENT lines and\n"
    "                                     DELETE result\n"
    "  caps                               GetPackerCaps and "
    "GetBackgroundFlags\n"
    "--strict: refuse the plug-in's calls that Windows would refuse\n"
    "(STRICT lines; a summary at exit)\n"
    "exit codes: 0 every call succeeded, 6 one failed, 64 bad command line,\n"
    "65 the DLL cannot be loaded or lacks an entry point\n";

// Progress of the file being processed.
struct Progress {
  int reports = 0;
  int cancelAt = 0;  // 0: never
  unsigned long long bytes = 0;
} progress;

int WINAPI OnProcessData(WCHAR*, int size) {
  ++progress.reports;
  if (size <= 0) Say("FAIL progress of %d bytes", size);
  progress.bytes += size > 0 ? size : 0;
  return progress.reports == progress.cancelAt ? 0 : 1;
}

std::string NameOf(const tHeaderDataExW& header) {
  return Utf8(header.FileName);
}

HANDLE Open(const ArchivePlugin& a, const std::string& image, int mode) {
  std::wstring name = FromUtf8(image);
  tOpenArchiveDataW data{};
  data.ArcName = &name[0];
  data.OpenMode = mode;
  HANDLE archive = a.open(&data);
  Say("OPEN %d", data.OpenResult);
  if (archive) a.setProgress(archive, OnProcessData);
  return archive;
}

int List(const ArchivePlugin& a, const std::string& image) {
  HANDLE archive = Open(a, image, PK_OM_LIST);
  if (!archive) return kExitFailed;
  tHeaderDataExW header;
  int result = 0;
  while ((result = a.readHeader(archive, &header)) == 0) {
    const bool folder = (header.FileAttr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    Say("H %c %08x %llu %d %s", folder ? 'D' : 'F', header.FileAttr,
        static_cast<unsigned long long>(header.UnpSizeHigh) << 32 |
            header.UnpSize,
        header.FileTime, NameOf(header).c_str());
    a.process(archive, PK_SKIP, nullptr, nullptr);
  }
  Say("END %d", result);
  a.close(archive);
  return result == E_END_ARCHIVE ? kExitOk : kExitFailed;
}

// Extracts (or tests, with an empty dest) every file, as the file manager
// does: folders made by the host, files written by the plug-in.
int Unpack(const ArchivePlugin& a, const std::string& image,
           const std::string& dest, int cancelAt) {
  HANDLE archive = Open(a, image, PK_OM_EXTRACT);
  if (!archive) return kExitFailed;
  progress.cancelAt = cancelAt;
  int exitCode = kExitOk;
  tHeaderDataExW header;
  int result = 0;
  while ((result = a.readHeader(archive, &header)) == 0) {
    const std::string name = NameOf(header);
    std::wstring target = FromUtf8(dest + "\\" + name);
    if (header.FileAttr & FILE_ATTRIBUTE_DIRECTORY) {
      if (!dest.empty()) CreateDirectoryW(target.c_str(), nullptr);
      a.process(archive, PK_SKIP, nullptr, nullptr);
      continue;
    }
    progress.bytes = 0;
    progress.reports = 0;
    const int outcome =
        dest.empty() ? a.process(archive, PK_TEST, nullptr, nullptr)
                     : a.process(archive, PK_EXTRACT, nullptr, &target[0]);
    Say("RESULT %d %llu %s", outcome, progress.bytes, name.c_str());
    if (outcome != 0) exitCode = kExitFailed;
    if (outcome == E_EABORTED) break;
  }
  if (result != 0 && result != E_END_ARCHIVE) exitCode = kExitFailed;
  Say("END %d", result);
  a.close(archive);
  return exitCode;
}

int Run(const ArchivePlugin& a, int argc, char** argv) {
  const std::string command = argv[2];
  if (command == "caps") {
    Say("CAPS %d BACKGROUND %d", a.caps(), a.background());
    return kExitOk;
  }
  if (argc < 4) return std::fputs(kUsage, stderr), kExitUsage;
  const std::string image = argv[3];
  if (command == "detect") {
    std::wstring name = FromUtf8(image);
    Say("DETECT %d", a.canHandle(&name[0]) ? 1 : 0);
    return kExitOk;
  }
  if (command == "list") return List(a, image);
  if (command == "test") return Unpack(a, image, "", 0);
  if (command == "extract" && argc >= 5) {
    return Unpack(a, image, argv[4], argc >= 6 ? std::atoi(argv[5]) : 0);
  }
  if (command == "pack" && argc >= 6) {
    return PackFolder(a, image, argv[4], std::atoi(argv[5]),
                      argc >= 7 ? argv[6] : "",
                      argc >= 8 ? std::atoi(argv[7]) : 0);
  }
  if (command == "delete" && argc >= 6) {
    return DeleteNames(a, image,
                       std::vector<std::string>(argv + 5, argv + argc),
                       std::atoi(argv[4]));
  }
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  TakeWideArguments(argc, argv);
  const bool strict = argc > 1 && std::strcmp(argv[1], "--strict") == 0;
  if (strict) --argc, ++argv;
  if (argc < 3 || std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, argc < 3 ? stderr : stdout);
    return argc < 3 ? kExitUsage : kExitOk;
  }
  ArchivePlugin a;
  std::string error;
  if (!LoadArchivePlugin(argv[1], a, error)) {
    std::fprintf(stderr, "wcxhost: %s\n", error.c_str());
    return kExitNoPlugin;
  }
  // A message box of a failed pack would wait for a click: print it.
  callbackState.printMessageBoxes = true;
  PatchImport(a.module, "USER32.dll", "MessageBoxA",
              reinterpret_cast<const void*>(&OnMessageBox));
  PatchImport(a.module, "USER32.dll", "MessageBoxW",
              reinterpret_cast<const void*>(&OnMessageBoxW));
  if (strict) ApplyStrictRules(a.module);
  const int exitCode = Run(a, argc, argv);
  if (strict) PrintStrictSummary();
  return exitCode;
}
