#include "tools/host/output.h"

#include <cstdarg>
#include <cstdio>

#include "platform/win32.h"

namespace {

// A bar drawn without its line end, to be redrawn by the next report.
bool barOpen = false;
std::size_t barLength = 0;

struct Transfer {
  long long totalBytes = -1;
  LARGE_INTEGER started{};
} transfer;

void EndBar() {
  if (barOpen) std::fputc('\n', stdout);
  barOpen = false;
  barLength = 0;
}

double SecondsSinceStart() {
  LARGE_INTEGER now{}, frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  if (frequency.QuadPart == 0) return 0;
  return static_cast<double>(now.QuadPart - transfer.started.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// The console's width in characters; a bar wider than that would wrap and
// could no longer be redrawn in place.
std::size_t ConsoleWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
    return 80;
  int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 20 ? static_cast<std::size_t>(width) : 80;
}

std::string Bytes(double bytes) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  while (bytes >= 1024 && unit < 4) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof(text), unit == 0 ? "%.0f %s" : "%.1f %s", bytes,
                kUnits[unit]);
  return text;
}

}  // namespace

void Say(const char* format, ...) {
  EndBar();
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

bool ProgressIsBar() {
  static const bool console = [] {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  }();
  return console;
}

void StartProgress(long long totalBytes) {
  transfer.totalBytes = totalBytes;
  QueryPerformanceCounter(&transfer.started);
}

void ShowProgress(const char* source, const char* target, int percent,
                  const char* tag) {
  if (!ProgressIsBar()) {
    Say("%s %3d %s -> %s", tag, percent, source ? source : "(null)",
        target ? target : "(null)");
    return;
  }
  int clamped = percent < 0 ? 0 : percent > 100 ? 100 : percent;
  char text[64];
  std::snprintf(text, sizeof(text), " %3d%%", percent);
  std::string stats = text;
  // The plug-in reports percent only; bytes done follow from the size, when
  // the host knows it.
  if (transfer.totalBytes >= 0) {
    double done = static_cast<double>(transfer.totalBytes) * clamped / 100;
    stats += "  " + Bytes(done) + " of " +
             Bytes(static_cast<double>(transfer.totalBytes));
    double seconds = SecondsSinceStart();
    if (seconds > 0.001) stats += "  " + Bytes(done / seconds) + "/s";
  }
  // One line that never wraps: the bar gives way first, down to a stub,
  // then the file name, which is cut at the front since a path's end says
  // the most. The bar's width is set by the longest figures there can be,
  // so that it stays put while they change.
  const std::size_t room = ConsoleWidth() - 1;
  constexpr std::size_t kMostBar = 30, kLeastBar = 10, kNameShare = 16;
  constexpr std::size_t kLongestStats =
      sizeof(" 100%  1023.9 KiB of 1023.9 KiB  1023.9 KiB/s") - 1;
  std::size_t used =
      2 + (transfer.totalBytes >= 0 ? kLongestStats : 5) + kNameShare;
  std::size_t width = room > used + kLeastBar ? room - used : kLeastBar;
  if (width > kMostBar) width = kMostBar;
  std::string line(clamped * width / 100, '#');
  line.resize(width, '.');
  line = "[" + line + "]" + stats;
  std::string name = source ? source : "";
  if (line.size() + 2 + name.size() > room) {
    std::size_t keep = room > line.size() + 5 ? room - line.size() - 5 : 0;
    name = keep > 0 ? "..." + name.substr(name.size() - keep) : "";
  }
  if (!name.empty()) line += "  " + name;
  if (line.size() > room) line.resize(room);
  // Blanks over what is left of a longer previous bar.
  std::size_t length = line.size();
  if (length < barLength) line.append(barLength - length, ' ');
  std::printf("\r%s", line.c_str());
  std::fflush(stdout);
  barOpen = true;
  barLength = length;
}

std::string Quoted(const char* text) {
  return text ? "\"" + std::string(text) + "\"" : "null";
}
