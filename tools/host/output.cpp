#include "tools/host/output.h"

#include <cstdarg>
#include <cstdio>

#include "platform/win32.h"

namespace {

bool StdoutIsConsole() {
  static const bool console = [] {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  }();
  return console;
}

// A bar drawn without its line end, to be redrawn by the next report.
bool barOpen = false;

void EndBar() {
  if (barOpen) std::fputc('\n', stdout);
  barOpen = false;
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

void ShowProgress(const char* source, const char* target, int percent) {
  if (!StdoutIsConsole()) {
    Say("PROGRESS %3d %s -> %s", percent, source ? source : "(null)",
        target ? target : "(null)");
    return;
  }
  constexpr int kWidth = 40;
  int filled = percent < 0     ? 0
               : percent > 100 ? kWidth
                               : percent * kWidth / 100;
  std::string bar(filled, '#');
  bar.resize(kWidth, '.');
  std::printf("\r[%s] %3d%% %s", bar.c_str(), percent, source ? source : "");
  std::fflush(stdout);
  barOpen = true;
}

std::string Quoted(const char* text) {
  return text ? "\"" + std::string(text) + "\"" : "null";
}
