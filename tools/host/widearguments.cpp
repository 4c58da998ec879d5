#include "tools/host/widearguments.h"

#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <string>
#include <vector>

#include "tools/host/widecallbacks.h"

void TakeWideArguments(int& argc, char**& argv) {
  int count = 0;
  wchar_t** wideArgs = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wideArgs) return;
  // Kept for the life of the process, as argv is.
  static std::vector<std::string> utf8;
  static std::vector<char*> pointers;
  for (int i = 0; i < count; ++i) utf8.push_back(Utf8(wideArgs[i]));
  LocalFree(wideArgs);
  for (std::string& arg : utf8) pointers.push_back(&arg[0]);
  pointers.push_back(nullptr);
  argc = count;
  argv = pointers.data();
}
