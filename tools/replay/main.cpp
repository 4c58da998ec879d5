// wfxreplay: one long-lived process that walks image after image through a
// plug-in, for differential runs of the DLLs and the native build. A driver
// puts the next image behind the drive, then asks for a walk on stdin, or
// prepares a tree and asks for a pack.
//
// Usage: wfxreplay TARGET DRIVE LOCAL_FILE ARCHIVE IMAGE PLANS PACKED
//   TARGET      the plug-in DLL (Windows), or the image link that DRIVE
//               reads (native build)
//   ARCHIVE     the archive plug-in DLL (Windows; ignored natively)
//   IMAGE       the image file the archive plug-in opens: a link that
//               points where DRIVE does
//   PLANS       the folder of the trees to pack, one folder each
//   PACKED      the image file the packs write
// Commands on stdin, one per line:
//   walk LABEL  prints IMAGE LABEL, the transcripts of the drive and of the
//               image file, then DONE LABEL
//   pack LABEL  prints PLAN LABEL, the transcript of packing PLANS/LABEL
//               into PACKED, then DONE LABEL
//   usage       prints USAGE and the process's handles and memory
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/replay/binding.h"
#include "tools/replay/packwalk.h"
#include "tools/replay/walker.h"

int main(int argc, char** argv) {
  if (argc != 8) {
    std::fprintf(stderr,
                 "usage: wfxreplay TARGET DRIVE LOCAL_FILE ARCHIVE IMAGE "
                 "PLANS PACKED\n");
    return 64;
  }
  const std::string drive = argv[2];
  Plugin plugin;
  std::string error;
  ArchivePlugin archive;
  if (!BindPlugin(argv[1], drive, plugin, error) ||
      !BindArchive(argv[4], archive, error)) {
    std::fprintf(stderr, "wfxreplay: %s\n", error.c_str());
    return 65;
  }
  StartPlugin(plugin, argv[3]);
  char line[1024];
  while (std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    const bool walk = std::strncmp(line, "walk ", 5) == 0;
    if (walk || std::strncmp(line, "pack ", 5) == 0) {
      std::printf("%s %s\n", walk ? "IMAGE" : "PLAN", line + 5);
      if (walk) {
        WalkDrive(plugin, drive);
        CloseDriveThroughRoot(plugin);
        WalkArchive(archive, argv[5], argv[3]);
      } else {
        PackPlan(archive,
                 argv[6] + std::string(1, LocalSeparator()) + (line + 5),
                 argv[7]);
      }
      const std::string left = Leftovers();
      if (!left.empty()) std::printf("LEAK %s\n", left.c_str());
      std::printf("DONE %s\n", line + 5);
    } else if (std::strcmp(line, "usage") == 0) {
      std::printf("USAGE %s\n", UsageLine().c_str());
    } else {
      std::printf("UNKNOWN %s\n", line);
    }
    std::fflush(stdout);
  }
  return 0;
}
