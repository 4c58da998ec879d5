// wfxhost: loads a file-system plug-in the way a file manager does and runs
// listing and copy commands against it, printing what the plug-in answers.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/host/callbacks.h"
#include "tools/host/commands.h"
#include "tools/host/cycles.h"
#include "tools/host/importpatch.h"
#include "tools/host/output.h"
#include "tools/host/plugin.h"

namespace {

constexpr int kPluginNr = 1;

const char kUsage[] =
    "usage: wfxhost [--catch-msgbox] [--no-init] PLUGIN_DLL COMMAND [ARGS]"
    " [COMMAND [ARGS]...]\n"
    "commands, run in order in one session:\n"
    "  root                               the plug-in's root name\n"
    "  ls PATH                            list one folder (\\ is the root)\n"
    "  tree PATH                          list a folder and all below it\n"
    "  get [-f] [--stop-at N] REMOTE LOCAL  copy a file out (-f overwrite;\n"
    "                                     answer stop at progress report N)\n"
    "  getall [-f] REMOTEDIR LOCALDIR     copy a folder out recursively\n"
    "  cycles N REMOTE LOCAL              N times load, init, list, copy and\n"
    "                                     unload the plug-in; handle count\n"
    "                                     and memory after 10 and after N\n"
    "options:\n"
    "  --catch-msgbox  print the plug-in's message boxes instead of showing"
    " them\n"
    "  --no-init       do not call FsInit\n";

struct Command {
  std::string name;
  std::vector<std::string> args;
  CopyOptions copy;
  std::string text;  // as typed, for the CMD line
};

struct Options {
  bool catchMessageBoxes = false;
  bool init = true;
  std::string pluginFile;
  std::vector<Command> commands;
};

int ArgCount(const std::string& name) {
  if (name == "root") return 0;
  if (name == "ls" || name == "tree") return 1;
  if (name == "get" || name == "getall") return 2;
  if (name == "cycles") return 3;
  return -1;
}

// Reads the copy options after get/getall; false on a bad option.
bool ParseCopyOptions(int argc, char** argv, int& i, Command& command) {
  for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; ++i) {
    command.text += std::string(" ") + argv[i];
    if (std::strcmp(argv[i], "-f") == 0) {
      command.copy.copyFlags = kCopyFlagOverwrite;
    } else if (std::strcmp(argv[i], "--stop-at") == 0 &&
               command.name == "get" && i + 1 < argc) {
      command.copy.stopAtReport = std::atoi(argv[++i]);
      command.text += std::string(" ") + argv[i];
      if (command.copy.stopAtReport <= 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool ParseArgs(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    if (std::strcmp(argv[i], "--catch-msgbox") == 0)
      options.catchMessageBoxes = true;
    else if (std::strcmp(argv[i], "--no-init") == 0)
      options.init = false;
    else
      return false;
  }
  if (i >= argc) return false;
  options.pluginFile = argv[i++];
  while (i < argc) {
    Command command;
    command.name = command.text = argv[i++];
    int count = ArgCount(command.name);
    if (count < 0) return false;
    if (command.name == "get" || command.name == "getall") {
      if (!ParseCopyOptions(argc, argv, i, command)) return false;
    }
    for (int n = 0; n < count; ++n, ++i) {
      if (i >= argc) return false;
      command.args.push_back(argv[i]);
      command.text += std::string(" ") + argv[i];
    }
    options.commands.push_back(command);
  }
  return !options.commands.empty();
}

bool Run(const Plugin& plugin, const std::string& pluginFile,
         const Command& command) {
  const std::vector<std::string>& a = command.args;
  if (command.name == "cycles")
    return RunLoadCycles(pluginFile, std::atoi(a[0].c_str()), a[1], a[2]);
  if (command.name == "root") return ShowRootName(plugin);
  if (command.name == "ls") return ListOne(plugin, a[0]);
  if (command.name == "tree") return ListTree(plugin, a[0]);
  if (command.name == "get")
    return CopyOutFile(plugin, a[0], a[1], command.copy);
  return CopyOutFolder(plugin, a[0], a[1], command.copy);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Plugin plugin;
  std::string error;
  if (!LoadPlugin(options.pluginFile, plugin, error)) {
    std::fprintf(stderr, "wfxhost: %s\n", error.c_str());
    return 2;
  }
  if (options.catchMessageBoxes &&
      !PatchImport(plugin.module, "USER32.dll", "MessageBoxA",
                   reinterpret_cast<const void*>(&OnMessageBox)))
    Say("NOTE the plug-in does not import MessageBoxA");
  if (options.init)
    Say("INIT %d", plugin.init(kPluginNr, OnProgress, OnLog, OnRequest));

  // A command fails when the plug-in reports an error during it, or when a
  // copy does not return success.
  bool failed = false;
  for (const Command& command : options.commands) {
    Say("CMD %s", command.text.c_str());
    int messagesBefore = callbackState.messagesSeen;
    bool ok = Run(plugin, options.pluginFile, command);
    failed = failed || !ok || callbackState.messagesSeen != messagesBefore;
  }
  // Unloading runs the plug-in's cleanup as a file manager's exit would.
  FreeLibrary(plugin.module);
  return failed ? 1 : 0;
}
