// wfxhost: loads a file-system plug-in the way a file manager does and runs
// listing and copy commands against it, printing what the plug-in answers.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/host/callbacks.h"
#include "tools/host/commands.h"
#include "tools/host/cycles.h"
#include "tools/host/fieldvalues.h"
#include "tools/host/importpatch.h"
#include "tools/host/output.h"
#include "tools/host/pause.h"
#include "tools/host/plugin.h"
#include "tools/host/strict.h"
#include "tools/host/throttle.h"
#include "tools/host/widecallbacks.h"
#include "tools/host/widemode.h"

namespace {

constexpr int kPluginNr = 1;

const char kUsage[] =
    "usage: wfxhost [OPTIONS] PLUGIN_DLL COMMAND [ARGS] [COMMAND [ARGS]...]\n"
    "       wfxhost --help\n"
    "commands, run in order in one session:\n"
    "  root                               the plug-in's root name\n"
    "  version                            the DLL's product name and version\n"
    "  ls PATH                            list one folder (\\ is the root)\n"
    "  tree PATH                          list a folder and all below it\n"
    "  fields PATH                        every content field of an entry\n"
    "                                     (FsContentGetValueW): V TYPE NAME\n"
    "                                     VALUE lines\n"
    "  get [-f] [--stop-at N] [--pause-at N FILE] REMOTE LOCAL\n"
    "                                     copy a file out (-f overwrite;\n"
    "                                     answer stop at progress report N;\n"
    "                                     pause as below at report N)\n"
    "  getall [-f] REMOTEDIR LOCALDIR     copy a folder out recursively\n"
    "  filecopy SOURCE TARGET             copy a local file with CopyFileA,\n"
    "                                     for timing beside get\n"
    "  cycles N REMOTE LOCAL              N times load, init, list, copy and\n"
    "                                     unload the plug-in; handle count\n"
    "                                     and memory after 10 and after N\n"
    "  pause FILE                         create FILE, wait until another\n"
    "                                     program removes it (10 min at most)\n"
    "options:\n"
    "  --catch-msgbox  print the plug-in's message boxes instead of showing"
    " them\n"
    "  --no-init       do not call FsInit\n"
    "  --wide          call only the wide entry points FsInitW,\n"
    "                  FsFindFirstW, FsFindNextW and FsGetFileW, as a file\n"
    "                  manager does that finds them; names in UTF-8\n"
    "  --init-both     with --wide, call FsInit before FsInitW\n"
    "  --strict        refuse the plug-in's device calls that Windows would\n"
    "                  refuse (STRICT lines; a summary at exit)\n"
    "  --read-rate R   the plug-in's device reads take as long as at R MiB/s\n"
    "  --write-rate W  its writes to local files (fwrite) as at W MiB/s\n"
    "  --time          a TIME line with the seconds after every get and\n"
    "                  filecopy\n"
    "  -h, --help      show this and exit\n"
    "On a terminal, copies show a bar with bytes, percent and speed (get\n"
    "first lists the remote folder for the size); otherwise one PROGRESS\n"
    "line per report.\n"
    "exit codes (the first failed command decides):\n"
    "  0     every command succeeded\n"
    "  1..5  a copy failed with this FsGetFile result: 1 exists, 2 not\n"
    "        found, 3 read error, 4 write error, 5 aborted\n"
    "  6     a listing, version read, load cycle or local folder failed, or\n"
    "        the plug-in reported an error (request or message box)\n"
    "  64    bad command line\n"
    "  65    the plug-in DLL cannot be loaded or lacks an entry point\n";

struct Command {
  std::string name;
  std::vector<std::string> args;
  CopyOptions copy;
  std::string text;  // as typed, for the CMD line
};

struct Options {
  bool help = false;
  bool catchMessageBoxes = false;
  bool init = true;
  bool wide = false;
  bool initBoth = false;
  bool strict = false;
  bool time = false;
  ThrottleRates rates;
  std::string pluginFile;
  std::vector<Command> commands;
};

// The arguments a command takes after its options, named for messages.
const char* ArgNames(const std::string& name) {
  if (name == "root" || name == "version") return "";
  if (name == "ls" || name == "tree" || name == "fields") return "PATH";
  if (name == "get") return "REMOTE LOCAL";
  if (name == "getall") return "REMOTEDIR LOCALDIR";
  if (name == "cycles") return "N REMOTE LOCAL";
  if (name == "filecopy") return "SOURCE TARGET";
  if (name == "pause") return "FILE";
  return nullptr;
}

int ArgCount(const char* names) {
  int count = 0;
  for (const char* c = names; *c; ++c)
    if (*c != ' ' && (c == names || c[-1] == ' ')) ++count;
  return count;
}

// A whole decimal number above zero, else 0.
int PositiveNumber(const char* text) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value <= 0 ||
      value > 0x7fffffff)
    return 0;
  return static_cast<int>(value);
}

// A rate above zero, else 0.
double PositiveRate(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  return end != text && *end == '\0' && value > 0 ? value : 0;
}

// Reads the copy options after get/getall.
bool ParseCopyOptions(int argc, char** argv, int& i, Command& command,
                      std::string& error) {
  for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; ++i) {
    command.text += std::string(" ") + argv[i];
    if (std::strcmp(argv[i], "-f") == 0) {
      command.copy.copyFlags = kCopyFlagOverwrite;
    } else if (std::strcmp(argv[i], "--stop-at") == 0 &&
               command.name == "get") {
      command.copy.stopAtReport = i + 1 < argc ? PositiveNumber(argv[++i]) : 0;
      if (command.copy.stopAtReport == 0) {
        error = "--stop-at needs a report number above 0";
        return false;
      }
      command.text += std::string(" ") + argv[i];
    } else if (std::strcmp(argv[i], "--pause-at") == 0 &&
               command.name == "get") {
      command.copy.pauseAtReport =
          i + 2 < argc ? PositiveNumber(argv[i + 1]) : 0;
      if (command.copy.pauseAtReport == 0) {
        error = "--pause-at needs a report number above 0 and a file";
        return false;
      }
      command.copy.pauseFile = argv[i + 2];
      command.text += std::string(" ") + argv[i + 1] + " " + argv[i + 2];
      i += 2;
    } else {
      error =
          "unknown option '" + std::string(argv[i]) + "' for " + command.name;
      return false;
    }
  }
  return true;
}

// Fills options from the command line; on a usage error returns false with
// what was wrong in error.
bool ParseArgs(int argc, char** argv, Options& options, std::string& error) {
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
      options.help = true;
    else if (std::strcmp(argv[i], "--catch-msgbox") == 0)
      options.catchMessageBoxes = true;
    else if (std::strcmp(argv[i], "--no-init") == 0)
      options.init = false;
    else if (std::strcmp(argv[i], "--wide") == 0)
      options.wide = true;
    else if (std::strcmp(argv[i], "--init-both") == 0)
      options.initBoth = true;
    else if (std::strcmp(argv[i], "--strict") == 0)
      options.strict = true;
    else if (std::strcmp(argv[i], "--time") == 0)
      options.time = true;
    else if (std::strcmp(argv[i], "--read-rate") == 0 ||
             std::strcmp(argv[i], "--write-rate") == 0) {
      const bool read = argv[i][2] == 'r';
      const double rate = i + 1 < argc ? PositiveRate(argv[++i]) : 0;
      if (rate == 0) return error = "a rate needs MiB/s above 0", false;
      (read ? options.rates.read : options.rates.write) = rate * 1048576;
    } else
      return error = "unknown option '" + std::string(argv[i]) + "'", false;
  }
  if (options.help) return true;
  if (i >= argc) return error = "missing PLUGIN_DLL", false;
  options.pluginFile = argv[i++];
  if (i >= argc) return error = "missing COMMAND after PLUGIN_DLL", false;
  while (i < argc) {
    Command command;
    command.name = command.text = argv[i++];
    const char* names = ArgNames(command.name);
    if (!names) return error = "unknown command '" + command.name + "'", false;
    if (command.name == "get" || command.name == "getall") {
      if (!ParseCopyOptions(argc, argv, i, command, error)) return false;
    }
    int count = ArgCount(names);
    if (argc - i < count) {
      error = command.name + " needs " + names;
      return false;
    }
    command.copy.timed = options.time;
    for (int n = 0; n < count; ++n, ++i) {
      command.args.push_back(argv[i]);
      command.text += std::string(" ") + argv[i];
    }
    if (command.name == "cycles" &&
        PositiveNumber(command.args[0].c_str()) == 0)
      return error = "cycles needs a count N above 0", false;
    options.commands.push_back(command);
  }
  return true;
}

int Run(const Plugin& plugin, const Options& options, const Command& command) {
  const std::vector<std::string>& a = command.args;
  if (command.name == "cycles")
    return RunLoadCycles(options.pluginFile, PositiveNumber(a[0].c_str()), a[1],
                         a[2], options.strict, options.rates)
               ? kExitOk
               : kExitFailed;
  if (command.name == "root") return ShowRootName(plugin);
  if (command.name == "version") return ShowVersion(plugin);
  if (command.name == "ls") return ListOne(plugin, a[0]);
  if (command.name == "tree") return ListTree(plugin, a[0]);
  if (command.name == "fields") return PrintFsFieldValues(plugin.module, a[0]);
  if (command.name == "filecopy")
    return CopyLocalFile(a[0], a[1], command.copy);
  if (command.name == "get")
    return CopyOutFile(plugin, a[0], a[1], command.copy);
  return CopyOutFolder(plugin, a[0], a[1], command.copy);
}

}  // namespace

int main(int argc, char** argv) {
  UseWideArguments(argc, argv);
  Options options;
  std::string error;
  if (!ParseArgs(argc, argv, options, error)) {
    std::fprintf(stderr,
                 "wfxhost: %s\nTry 'wfxhost --help' for the commands.\n",
                 error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  Plugin plugin;
  if (!LoadPlugin(options.pluginFile, plugin, error)) {
    std::fprintf(stderr, "wfxhost: %s\n", error.c_str());
    return kExitNoPlugin;
  }
  // Every message box passes through the host, so that it counts as a
  // failure and stays out of the way while the host looks up a size.
  callbackState.printMessageBoxes = options.catchMessageBoxes;
  if (!PatchImport(plugin.module, "USER32.dll", "MessageBoxA",
                   reinterpret_cast<const void*>(&OnMessageBox)) &&
      options.catchMessageBoxes)
    Say("NOTE the plug-in does not import MessageBoxA");
  if (options.strict) ApplyStrictRules(plugin.module);
  ApplyThrottle(plugin.module, options.rates);
  WidePlugin wide;
  if (options.wide && !StartWideMode(plugin, wide, error)) {
    std::fprintf(stderr, "wfxhost: %s\n", error.c_str());
    return kExitNoPlugin;
  }
  if (options.init && (!options.wide || options.initBoth))
    Say("INIT %d", plugin.init(kPluginNr, OnProgress, OnLog, OnRequest));
  if (options.init && options.wide)
    Say("INITW %d", wide.init(kPluginNr, OnProgressW, OnLogW, OnRequestW));

  int exitCode = kExitOk;
  for (const Command& command : options.commands) {
    Say("CMD %s", command.text.c_str());
    int messagesBefore = callbackState.messagesSeen;
    int outcome = kExitFailed;
    if (command.name == "pause")
      outcome = PauseUntilRemoved(command.args[0]) ? kExitOk : kExitFailed;
    else if (options.wide)
      outcome = RunWideCommand(plugin, wide, command.name, command.args,
                               command.copy);
    else
      outcome = Run(plugin, options, command);
    // A message to the user means something went wrong, even when the
    // command itself reports success.
    if (outcome == kExitOk && callbackState.messagesSeen != messagesBefore)
      outcome = kExitFailed;
    if (exitCode == kExitOk) exitCode = outcome;
  }
  // Unloading runs the plug-in's cleanup as a file manager's exit would.
  FreeLibrary(plugin.module);
  if (options.strict) PrintStrictSummary();
  return exitCode;
}
