#include "archive/extract.h"

#include <cstdio>

#include "disc/filestream.h"
#include "path/hostpath.h"
#include "plugin/listingtimes.h"
#include "plugin/localfile.h"

namespace {

constexpr int kChunkCancelled = 1;
constexpr int kChunkWriteFailed = 2;

// The name goes to the progress callback in both texts, whichever the host
// set; the wide one is preferred.
struct EntryStream {
  ImageArchive& archive;
  std::string bytes;
  WideString units;
  std::FILE* file;  // null when testing
};

EntryStream MakeStream(ImageArchive& archive, const HostText& name,
                       std::FILE* file) {
  return EntryStream{archive, name.bytes,
                     name.wide ? name.units : DecodeCp1252(name.bytes), file};
}

// The progress callback's answer: 0 cancels. Without one, go on.
int ReportBytes(EntryStream& stream, std::uint32_t bytes) {
  const ImageArchive& archive = stream.archive;
  const int size = static_cast<int>(bytes);
  if (archive.progressW) return archive.progressW(&stream.units[0], size);
  if (archive.progress) return archive.progress(&stream.bytes[0], size);
  return 1;
}

int TakeChunk(void* userData, const ExtractChunk* chunk) {
  auto* stream = static_cast<EntryStream*>(userData);
  if (chunk->length == 0) return 0;
  if (stream->file && std::fwrite(chunk->data, 1, chunk->length,
                                  stream->file) != chunk->length) {
    return kChunkWriteFailed;
  }
  return ReportBytes(*stream, chunk->length) == 0 ? kChunkCancelled : 0;
}

int ArchiveResult(int streamResult) {
  switch (streamResult) {
    case 0:
      return 0;
    case kChunkCancelled:
      return E_EABORTED;
    case kChunkWriteFailed:
      return E_EWRITE;
    case kExtractNoMemory:
      return E_NO_MEMORY;
    default:
      return E_EREAD;
  }
}

int Extract(ImageArchive& archive, const DirNode& entry,
            const HostText& target) {
  std::FILE* file = OpenLocalFile(target);
  if (!file) return E_ECREATE;
  EntryStream stream = MakeStream(archive, target, file);
  int result =
      ArchiveResult(vepo_streamfile(archive.device, entry, TakeChunk, &stream));
  // The host sets no time on the files it has a plug-in write.
  if (result == 0) SetLocalFileTime(file, ListingTime(archive.volumeTime));
  if (std::fclose(file) != 0 && result == 0) result = E_EWRITE;
  if (result != 0) RemoveLocalFile(target);
  return result;
}

}  // namespace

int ProcessEntry(ImageArchive& archive, int operation, const HostText& target) {
  const DirNode* entry = archive.walk.current;
  if (!entry) return E_NOT_SUPPORTED;
  // Hosts make the folders themselves.
  if (operation == PK_SKIP || IsDirectory(*entry)) return 0;
  if (operation == PK_TEST) {
    EntryStream stream =
        MakeStream(archive, NarrowText(archive.walk.path.c_str()), nullptr);
    return ArchiveResult(
        vepo_streamfile(archive.device, *entry, TakeChunk, &stream));
  }
  if (operation == PK_EXTRACT) return Extract(archive, *entry, target);
  return E_NOT_SUPPORTED;
}

HostText TargetName(const HostText& destPath, const HostText& destName) {
  if (destPath.bytes.empty()) return destName;
  HostText joined = destPath;
  const char last = joined.bytes.back();
  const bool separated = IsSeparator(last);
  const char separator = kHostHeaderStyle == HeaderStyle::kUnix ? '/' : '\\';
  if (joined.wide) {
    if (!separated) joined.units += static_cast<WCHAR>(separator);
    joined.units += destName.units;
    return WideText(joined.units.c_str());
  }
  if (!separated) joined.bytes += separator;
  return NarrowText((joined.bytes + destName.bytes).c_str());
}
