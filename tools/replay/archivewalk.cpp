#include "tools/replay/archivewalk.h"

#include <cstdio>

#include "plugin/cp1252.h"
#include "tools/replay/walker.h"
#include "tools/replay/walkorder.h"

namespace {

constexpr int kArchiveMaxShown = 256;

unsigned long long gProgressBytes = 0;

int WINAPI OnProcessData(WCHAR*, int size) {
  gProgressBytes += size > 0 ? static_cast<unsigned>(size) : 0;
  return 1;
}

}  // namespace

void WalkArchive(const ArchivePlugin& calls, const std::string& image,
                 const std::string& localFile) {
  // Paths here are ASCII (the work folder's).
  WideString name = DecodeCp1252(image);
  WideString local = DecodeCp1252(localFile);
  tOpenArchiveDataW data{};
  data.ArcName = &name[0];
  data.OpenMode = PK_OM_EXTRACT;
  HANDLE archive = calls.open(&data);
  std::printf("ARCHIVE open=%d\n", data.OpenResult);
  if (!archive) return;
  calls.setProgress(archive, OnProcessData);
  tHeaderDataExW header;
  int result = 0;
  int count = 0;
  std::size_t extracts = 0;
  while ((result = calls.readHeader(archive, &header)) != E_END_ARCHIVE) {
    if (result != 0) {
      std::printf("HEADER %d\n", result);
      continue;
    }
    const bool folder = header.FileAttr & FILE_ATTRIBUTE_DIRECTORY;
    const std::string path = Shown(FileNameBytes(header).c_str());
    if (++count <= kArchiveMaxShown) {
      std::printf("H %c %08x %u %08x %s\n", folder ? 'D' : 'F', header.FileAttr,
                  header.UnpSize, static_cast<unsigned>(header.FileTime),
                  path.c_str());
    }
    if (folder || ++extracts > kWalkMaxCopies) {
      calls.process(archive, PK_SKIP, nullptr, nullptr);
      continue;
    }
    std::remove(localFile.c_str());
    gProgressBytes = 0;
    const int extracted =
        calls.process(archive, PK_EXTRACT, nullptr, &local[0]);
    const auto [size, hash] = Fingerprint();
    std::printf("X %s %d bytes=%llu fnv=%016llx progress=%llu\n", path.c_str(),
                extracted, size, hash, gProgressBytes);
  }
  std::printf("HEADERS %d\n", count);
  calls.close(archive);
  std::fflush(stdout);
}
