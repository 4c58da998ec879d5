// wdxhost: loads a content plug-in the way a file manager does (default
// params, the field list, the detect string) and asks for every field of
// files, as columns do. Names and values in UTF-8.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/host/contentplugin.h"
#include "tools/host/exitcodes.h"
#include "tools/host/fieldvalues.h"
#include "tools/host/output.h"
#include "tools/host/widearguments.h"

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
    const ContentCalls calls{p.field, p.value, p.valueW};
    for (const std::string& file : files) {
      const int result = PrintFieldValues(calls, file, command == "narrow");
      if (exitCode == kExitOk) exitCode = result;
    }
  } else {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  p.unloading();
  return exitCode;
}
