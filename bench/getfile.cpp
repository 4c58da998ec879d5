// bench_getfile: one copy-out through the plug-in's FsGetFile, with the
// image as drive E: of the native platform layer, so that a driver can time
// it as a whole process beside another copying program.
//
//   bench_getfile IMAGE REMOTE LOCAL     copy REMOTE (\E:\...) to LOCAL
//   bench_getfile --locate IMAGE REMOTE  print the file's byte offset in the
//                                        image and its size
#include <cstdio>
#include <cstring>
#include <string>

#include "filesystem/exports.h"
#include "filesystem/state.h"
#include "path/filelookup.h"
#include "path/hostpath.h"
#include "platform/native/testapi.h"

namespace {

int reports = 0;

int WINAPI CountProgress(int, char*, char*, int) {
  ++reports;
  return 0;
}

int WINAPI AnswerRequest(int, int, char*, char* text, char*, int) {
  std::fprintf(stderr, "bench_getfile: %s\n", text ? text : "");
  return 1;
}

void WINAPI IgnoreLog(int, int, char*) {}

int Locate(const char* remote) {
  DirNode node;
  if (FindFileNode(SkipLeadingSlash(remote), gPluginState.driveCache, node) !=
      kFileFound) {
    std::fprintf(stderr, "bench_getfile: %s not found\n", remote);
    return 1;
  }
  std::printf("%llu %u\n",
              static_cast<unsigned long long>(SectorToOffset(node.startSector)),
              node.size);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool locate = argc == 4 && std::strcmp(argv[1], "--locate") == 0;
  if (!locate && argc != 4) {
    std::fprintf(stderr,
                 "usage: bench_getfile IMAGE REMOTE LOCAL\n"
                 "       bench_getfile --locate IMAGE REMOTE\n");
    return 2;
  }
  const char* image = argv[locate ? 2 : 1];
  const char* remote = argv[locate ? 3 : 2];
  nativewin::AddDrive("E:\\", DRIVE_CDROM, image);
  FsInit(1, CountProgress, IgnoreLog, AnswerRequest);
  const int result =
      locate ? Locate(remote)
             : FsGetFile(remote, argv[3], kCopyFlagOverwrite, nullptr);
  if (locate) return result;
  if (result != kFileOk) {
    std::fprintf(stderr, "bench_getfile: FsGetFile returned %d\n", result);
    return 1;
  }
  return reports > 0 ? 0 : 1;
}
