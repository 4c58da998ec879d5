#include "tools/replay/walker.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "tools/replay/walkorder.h"

namespace {

std::string gLocalFile;
std::vector<int> gPercents;

// One transcript line, flushed at once so that a crash loses nothing.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Print(const char* format, ...) {
  char line[8192];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::puts(line);
  std::fflush(stdout);
}

int WINAPI OnProgress(int, char*, char*, int percent) {
  gPercents.push_back(percent);
  return 0;
}

void WINAPI OnLog(int, int type, char* text) {
  Print("LOG %d %s", type, Shown(text).c_str());
}

int WINAPI OnRequest(int, int type, char* title, char* text, char*, int) {
  Print("REQUEST %d %s %s", type, Shown(title).c_str(), Shown(text).c_str());
  return 1;
}

void PrintBoxes() {
  for (const BoxMessage& box : TakeMessageBoxes()) {
    Print("BOX %s %s",
          box.hasCaption ? Shown(box.caption.c_str()).c_str() : "null",
          Shown(box.text.c_str()).c_str());
  }
}

std::vector<WIN32_FIND_DATAA> List(const Plugin& plugin,
                                   const std::string& path, DWORD& lastError) {
  std::vector<WIN32_FIND_DATAA> records;
  std::vector<char> buffer(path.begin(), path.end());
  buffer.push_back('\0');
  WIN32_FIND_DATAA record{};
  SetLastError(0);
  HANDLE handle = plugin.findFirst(buffer.data(), &record);
  lastError = GetLastError();
  if (handle == INVALID_HANDLE_VALUE) return records;
  do {
    records.push_back(record);
    record = WIN32_FIND_DATAA{};
  } while (plugin.findNext(handle, &record));
  plugin.findClose(handle);
  return records;
}

bool IsFolder(const WIN32_FIND_DATAA& record) {
  return (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void PrintRecord(const WIN32_FIND_DATAA& record) {
  const unsigned long long size =
      static_cast<unsigned long long>(record.nFileSizeHigh) << 32 |
      record.nFileSizeLow;
  Print("%c %08lx %llu %08lx%08lx %s", IsFolder(record) ? 'D' : 'F',
        static_cast<unsigned long>(record.dwFileAttributes), size,
        static_cast<unsigned long>(record.ftLastWriteTime.dwHighDateTime),
        static_cast<unsigned long>(record.ftLastWriteTime.dwLowDateTime),
        Shown(record.cFileName).c_str());
}

void Copy(const Plugin& plugin, const std::string& remote) {
  Print("GET %s", Shown(remote.c_str()).c_str());
  std::remove(gLocalFile.c_str());
  gPercents.clear();
  const int result = plugin.getFile(remote.c_str(), gLocalFile.c_str(),
                                    kCopyFlagOverwrite, nullptr);
  PrintBoxes();
  std::string percents;
  for (int percent : gPercents) {
    percents += (percents.empty() ? "" : ",") + std::to_string(percent);
  }
  const auto [size, hash] = Fingerprint();
  Print("RESULT %d bytes=%llu fnv=%016llx progress=%s", result, size, hash,
        percents.c_str());
}

}  // namespace

std::string Shown(const char* text) {
  if (!text) return "null";
  std::string plain = text;
  for (std::size_t at; !gLocalFile.empty() &&
                       (at = plain.find(gLocalFile)) != std::string::npos;) {
    plain.replace(at, gLocalFile.size(), "<local>");
  }
  std::string shown = "\"";
  for (unsigned char c : plain) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped,
                  c < 0x20 || c > 0x7e ? "\\x%02x" : "%c", c);
    shown += escaped;
  }
  return shown + "\"";
}

std::pair<unsigned long long, unsigned long long> Fingerprint() {
  return FileFingerprint(gLocalFile);
}

std::pair<unsigned long long, unsigned long long> FileFingerprint(
    const std::string& path, unsigned long long maskAt,
    unsigned long long maskLength) {
  unsigned long long size = 0;
  std::uint64_t hash = 0xcbf29ce484222325u;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    std::vector<unsigned char> buffer(1 << 16);
    for (std::size_t got;
         (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
      for (std::size_t i = 0; i < got; ++i, ++size) {
        const bool masked = size >= maskAt && size - maskAt < maskLength;
        hash = (hash ^ (masked ? 0 : buffer[i])) * 0x100000001b3u;
      }
    }
    std::fclose(file);
  }
  return {size, hash};
}

void StartPlugin(const Plugin& plugin, const std::string& localFile) {
  gLocalFile = localFile;
  Print("INIT %d", plugin.init(1, OnProgress, OnLog, OnRequest));
}

void WalkDrive(const Plugin& plugin, const std::string& drive) {
  WalkBreadthFirst(
      "\\" + drive,
      [&plugin](const std::string& path) {
        Print("LIST %s", Shown(path.c_str()).c_str());
        DWORD lastError = 0;
        std::vector<WIN32_FIND_DATAA> records = List(plugin, path, lastError);
        PrintBoxes();
        if (records.empty()) {
          Print("EMPTY %lu", static_cast<unsigned long>(lastError));
        }
        for (const WIN32_FIND_DATAA& record : records) PrintRecord(record);
        return records;
      },
      [&plugin](const std::string& path) { Copy(plugin, path); });
}

void CloseDriveThroughRoot(const Plugin& plugin) {
  DWORD lastError = 0;
  List(plugin, "\\", lastError);
  TakeMessageBoxes();
}
