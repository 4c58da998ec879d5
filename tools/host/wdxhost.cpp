// wdxhost: loads a content plug-in the way a file manager does (default
// params, the field list, the detect string) and asks for every field of
// files, as columns do. Names and values in UTF-8.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/host/contentplugin.h"
#include "tools/host/exitcodes.h"
#include "tools/host/output.h"
#include "tools/host/widearguments.h"
#include "tools/host/widecallbacks.h"

namespace {

const char kUsage[] =
    "usage: wdxhost CONTENT_DLL COMMAND [ARGS]\n"
    "  fields                  every field: FIELD INDEX TYPE NAME, then\n"
    "                          DETECT and the detect string\n"
    "  values FILE...          every field of each file through\n"
    "                          ContentGetValueW: V TYPE NAME VALUE\n"
    "  narrow FILE...          the same through ContentGetValue, the path\n"
    "                          in the ANSI code page\n"
    "exit codes: 0 every value answered (a type or ft_fieldempty), 6 one\n"
    "was an error, 64 bad command line, 65 the DLL cannot be loaded or\n"
    "lacks an entry point\n";

// A file manager's value buffer.
constexpr int kMaxLen = 2049;

std::vector<std::string> FieldNames(const ContentPlugin& p) {
  std::vector<std::string> names;
  char name[256];
  char units[256];
  for (int i = 0; p.field(i, name, units, sizeof name) > 0; ++i) {
    names.push_back(name);
  }
  return names;
}

std::string FromCodePage(const char* text, UINT codePage) {
  wchar_t wide[kMaxLen];
  const int units = MultiByteToWideChar(codePage, 0, text, -1, wide, kMaxLen);
  return units > 0 ? Utf8(wide) : std::string();
}

// The value as text; narrow strings are read in the code page the call
// answers in.
std::string ValueText(int type, const void* value, UINT codePage) {
  switch (type) {
    case ft_string:
      return FromCodePage(static_cast<const char*>(value), codePage);
    case ft_stringw:
      return Utf8(static_cast<const wchar_t*>(value));
    case ft_numeric_32: {
      int number = 0;
      std::memcpy(&number, value, sizeof number);
      return std::to_string(number);
    }
    default:
      return std::string();
  }
}

int Values(const ContentPlugin& p, const std::vector<std::string>& files,
           bool narrow) {
  const std::vector<std::string> names = FieldNames(p);
  int exitCode = kExitOk;
  for (const std::string& file : files) {
    Say("FILE %s", file.c_str());
    std::wstring wide = FromUtf8(file);
    char ansi[MAX_PATH * 4] = "";
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, sizeof ansi, nullptr,
                        nullptr);
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
      union {
        char bytes[kMaxLen];
        wchar_t units[kMaxLen / 2];
      } value;
      std::memset(&value, 0, sizeof value);
      const int type = narrow ? p.value(ansi, i, 0, &value, kMaxLen, 0)
                              : p.valueW(&wide[0], i, 0, &value, kMaxLen, 0);
      // Hosts show a delayed answer as empty and never ask again.
      if (type < 0 && type != ft_fieldempty) exitCode = kExitFailed;
      if (type == ft_delayed || type == ft_ondemand) exitCode = kExitFailed;
      Say("V %d %s %s", type, names[i].c_str(),
          ValueText(type, &value, narrow ? 1252 : CP_UTF8).c_str());
    }
  }
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  TakeWideArguments(argc, argv);
  if (argc < 3 || std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, argc < 3 ? stderr : stdout);
    return argc < 3 ? kExitUsage : kExitOk;
  }
  ContentPlugin p;
  std::string error;
  if (!LoadContentPlugin(argv[1], p, error)) {
    std::fprintf(stderr, "wdxhost: %s\n", error.c_str());
    return kExitNoPlugin;
  }
  ContentDefaultParamStruct defaults{};
  defaults.size = sizeof defaults;
  defaults.PluginInterfaceVersionLow = 50;
  defaults.PluginInterfaceVersionHi = 1;
  std::strcpy(defaults.DefaultIniName, "C:\\wdx.ini");
  p.setDefaults(&defaults);
  const std::string command = argv[2];
  const std::vector<std::string> files(argv + 3, argv + argc);
  int exitCode = kExitOk;
  if (command == "fields") {
    char name[256];
    char units[256];
    int type = 0;
    for (int i = 0; (type = p.field(i, name, units, sizeof name)) > 0; ++i) {
      Say("FIELD %d %d %s", i, type, name);
    }
    char detect[2048] = "";
    p.detect(detect, sizeof detect);
    Say("DETECT %s", detect);
  } else if ((command == "values" || command == "narrow") && !files.empty()) {
    exitCode = Values(p, files, command == "narrow");
  } else {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  p.unloading();
  return exitCode;
}
