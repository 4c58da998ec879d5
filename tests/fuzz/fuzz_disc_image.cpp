// The input is a disc from its volume descriptor (sector 32) on; the 32
// sectors before it are zeros, which the reader never looks at. A whole
// disc's file system lies further in, at its base. The disc is
// put in drive E: and taken through the entry points as the host would:
// every folder it names is listed and every file copied, within bounds that
// keep a directory cycle finite. Copies need no size cap: past the image's
// end a read brings nothing, so no copy reads more than the image holds.
// The wide entry points take the same road by the decoded names and must
// give the same records and results. Then the archive plug-in opens the
// image file in place: every header, safe names only, and the first files
// extracted hold the image's bytes.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/exports.h"
#include "archive/imagearchive.h"
#include "disc/device.h"
#include "filesystem/exports.h"
#include "filesystem/listing.h"
#include "filesystem/state.h"
#include "path/filelookup.h"
#include "path/hostpath.h"
#include "path/safename.h"
#include "platform/native/testapi.h"
#include "plugin/cp1252.h"
#include "tools/replay/walkorder.h"

namespace {

constexpr std::uint64_t kInputOffset = 32 * 2048;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

struct Scratch {
  std::string image;
  std::string copy;
};

Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

void RemoveScratch() {
  std::remove(TheScratch().image.c_str());
  std::remove(TheScratch().copy.c_str());
}

int WINAPI Progress(int, char*, char*, int percent) {
  Check(percent >= 0 && percent <= 100, "progress outside 0 to 100");
  return 0;
}

void WINAPI Log(int, int, char*) { Check(false, "the plug-in logged"); }

int WINAPI Request(int, int type, char*, char* text, char*, int) {
  Check(type == kRequestMessageBox, "request of another type");
  Check(std::string(text).rfind("ERROR: ", 0) == 0, "message without ERROR");
  return 1;
}

int WINAPI ProgressW(int, WCHAR*, WCHAR*, int percent) {
  return Progress(0, nullptr, nullptr, percent);
}

int WINAPI RequestW(int, int type, WCHAR*, WCHAR* text, WCHAR*, int) {
  Check(type == kRequestMessageBox, "wide request of another type");
  Check(WideString(text).rfind(DecodeCp1252("ERROR: "), 0) == 0,
        "wide message without ERROR");
  return 1;
}

// Blocks live within one call; the drive handle is the only thing kept.
void CheckNothingLeft(int handlesAllowed) {
  const nativewin::Stats& stats = nativewin::GetStats();
  Check(stats.liveBlocks == 0, "a block outlived its call");
  Check(stats.openHandles <= handlesAllowed, "a device handle leaked");
  Check(stats.misalignedReads == 0, "a device read broke the alignment");
}

void WriteImage(const std::uint8_t* data, std::size_t size) {
  const int fd = open(TheScratch().image.c_str(),
                      O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  Check(fd >= 0, "cannot write the image");
  Check(ftruncate(fd, static_cast<off_t>(kInputOffset)) == 0,
        "cannot size the image");
  Check(pwrite(fd, data, size, static_cast<off_t>(kInputOffset)) ==
            static_cast<ssize_t>(size),
        "cannot write the image");
  close(fd);
}

std::vector<WIN32_FIND_DATAA> List(const std::string& path) {
  std::vector<WIN32_FIND_DATAA> records;
  std::string buffer = path;
  WIN32_FIND_DATAA record;
  HANDLE handle = FsFindFirst(&buffer[0], &record);
  if (handle != INVALID_HANDLE_VALUE) {
    auto* find = static_cast<TCFS_FNC*>(handle);
    do {
      records.push_back(record);
    } while (FsFindNext(find, &record));
    Check(FsFindNext(find, &record) == 0, "records after the end");
    FsFindClose(find);
  }
  CheckNothingLeft(1);
  return records;
}

void CheckWideListing(const std::string& path,
                      const std::vector<WIN32_FIND_DATAA>& records) {
  WideString buffer = DecodeCp1252(path);
  WIN32_FIND_DATAW record;
  HANDLE handle = FsFindFirstW(&buffer[0], &record);
  std::size_t count = 0;
  if (handle != INVALID_HANDLE_VALUE) {
    auto* find = static_cast<TCFS_FNC*>(handle);
    do {
      Check(count < records.size(), "more wide records");
      const WIN32_FIND_DATAA& narrow = records[count++];
      Check(record.dwFileAttributes == narrow.dwFileAttributes &&
                record.nFileSizeLow == narrow.nFileSizeLow &&
                DecodeCp1252(narrow.cFileName) == record.cFileName,
            "wide record differs");
    } while (FsFindNextW(find, &record));
    FsFindClose(find);
  }
  Check(count == records.size(), "fewer wide records");
  CheckNothingLeft(1);
}

std::string ReadCopy() {
  std::ifstream in(TheScratch().copy, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The local file must hold the start of the file's range on the image, all
// of it when the copy succeeded. The range counts from the base the mount
// found the file system at.
void CheckBytes(const std::string& local, const DirNode& node,
                std::uint64_t base, const std::uint8_t* data,
                std::size_t size) {
  std::uint64_t offset = base + SectorToOffset(node.startSector);
  for (const char byte : local) {
    Check(offset < kInputOffset + size, "copied bytes the image lacks");
    const std::uint8_t expected =
        offset < kInputOffset ? 0 : data[offset - kInputOffset];
    Check(static_cast<std::uint8_t>(byte) == expected, "wrong bytes copied");
    ++offset;
  }
}

void CheckCopy(const std::string& local, const DirNode& node, int result,
               const std::uint8_t* data, std::size_t size) {
  if (result == kFileOk) {
    Check(local.size() == node.size, "copy incomplete but successful");
  }
  CheckBytes(local, node, gPluginState.driveCache.device.base, data, size);
}

void Copy(const std::string& remote, const std::uint8_t* data,
          std::size_t size) {
  // The node, found as the copy finds it, tells which bytes to expect.
  DirNode node;
  const bool found = FindFileNode(SkipLeadingSlash(remote.c_str()),
                                  gPluginState.driveCache, node) == kFileFound;
  const int result = FsGetFile(remote.c_str(), TheScratch().copy.c_str(),
                               kCopyFlagOverwrite, nullptr);
  CheckNothingLeft(1);
  Check(
      result == kFileOk || result == kFileNotFound || result == kFileReadError,
      "unexpected copy result");
  Check(found == (result != kFileNotFound), "lookups disagree");
  if (found) CheckCopy(ReadCopy(), node, result, data, size);
  WideString remoteW = DecodeCp1252(remote);
  WideString localW = DecodeCp1252(TheScratch().copy);
  Check(FsGetFileW(&remoteW[0], &localW[0], kCopyFlagOverwrite, nullptr) ==
            result,
        "wide copy result differs");
  CheckNothingLeft(1);
  if (found) CheckCopy(ReadCopy(), node, result, data, size);
}

void Browse(const std::uint8_t* data, std::size_t size) {
  WalkBreadthFirst(
      "\\E:",
      [](const std::string& path) {
        std::vector<WIN32_FIND_DATAA> records = List(path);
        CheckWideListing(path, records);
        return records;
      },
      [data, size](const std::string& remote) { Copy(remote, data, size); });
}

int WINAPI ProcessData(WCHAR*, int size) {
  Check(size > 0, "archive progress of no bytes");
  return 1;
}

// The walk's path: components of safe names within the host's record.
void CheckHeaderPath(const tHeaderDataExW& header) {
  std::string path;
  std::size_t length = 0;
  for (; header.FileName[length]; ++length) {
    unsigned char byte = '?';
    Check(EncodeCp1252(header.FileName[length], &byte), "header unit");
    path += static_cast<char>(byte);
  }
  Check(length > 0 && length <= 1023, "header path length");
  for (std::size_t start = 0, end; start <= path.size(); start = end + 1) {
    end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    Check(IsSafeName(path.substr(start, end - start)), "unsafe header name");
  }
}

void WalkArchive(const std::uint8_t* data, std::size_t size) {
  WideString image = DecodeCp1252(TheScratch().image);
  WideString copy = DecodeCp1252(TheScratch().copy);
  tOpenArchiveDataW open{};
  open.ArcName = &image[0];
  open.OpenMode = PK_OM_EXTRACT;
  HANDLE archive = OpenArchiveW(&open);
  Check((archive != nullptr) == (open.OpenResult == 0), "open result");
  if (!archive) return;
  SetProcessDataProcW(archive, ProcessData);
  tHeaderDataExW header;
  std::size_t extracts = 0;
  int result = 0;
  while ((result = ReadHeaderExW(archive, &header)) != E_END_ARCHIVE) {
    Check(result == 0 || result == E_BAD_DATA, "header result");
    if (result != 0) continue;
    CheckHeaderPath(header);
    const bool file = (header.FileAttr & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (!file || ++extracts > kWalkMaxCopies) {
      Check(ProcessFileW(archive, PK_SKIP, nullptr, nullptr) == 0, "skip");
      continue;
    }
    std::remove(TheScratch().copy.c_str());
    const int extracted = ProcessFileW(archive, PK_EXTRACT, nullptr, &copy[0]);
    Check(extracted == 0 || extracted == E_EREAD || extracted == E_NO_MEMORY,
          "extract result");
    const std::string local = ReadCopy();
    if (extracted != 0) {
      Check(local.empty(), "a failed extract left its file");
      continue;
    }
    Check(local.size() == header.UnpSize, "extract incomplete");
    const DirNode& node = *static_cast<ImageArchive*>(archive)->walk.current;
    CheckBytes(local, node, static_cast<ImageArchive*>(archive)->device.base,
               data, size);
  }
  CloseArchive(archive);
  CheckNothingLeft(1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string stem = "/tmp/xdvdfs-fuzz-" + std::to_string(getpid());
  TheScratch() = Scratch{stem + ".iso", stem + ".copy"};
  std::atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  nativewin::Reset();
  WriteImage(data, size);
  nativewin::AddDrive("E:\\", DRIVE_CDROM, TheScratch().image);
  // A table larger than the whole image can only fail to be read; refusing
  // its block, as a machine short of memory would, keeps runs fast.
  nativewin::FailAllocationsAbove(kInputOffset + size + (1u << 20));
  FsInit(7, Progress, Log, Request);
  FsInitW(7, ProgressW, nullptr, RequestW);
  Browse(data, size);
  WalkArchive(data, size);
  // Listing the plug-in root closes the drive and drops its tree.
  List("\\");
  CheckNothingLeft(0);
  return 0;
}
