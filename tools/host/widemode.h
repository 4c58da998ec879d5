// The host's wide mode (--wide): like a file manager with a plug-in that
// exports wide entry points, it calls only those once it has found them.
// Names pass in UTF-8 on the command line and in what the host prints.
#pragma once

#include <string>
#include <vector>

#include "tools/host/commands.h"

// With --wide among the leading options, replaces argc and argv with the
// wide command line in UTF-8, so that names outside the ANSI code page
// survive; otherwise leaves them alone.
void UseWideArguments(int& argc, char**& argv);

// Finds the wide entry points and routes the plug-in's MessageBoxW through
// the host.
bool StartWideMode(const Plugin& plugin, WidePlugin& wide, std::string& error);

// ls, tree and get through the wide entry points; root and version as in
// the 8-bit mode; any other command fails.
int RunWideCommand(const Plugin& plugin, const WidePlugin& wide,
                   const std::string& name,
                   const std::vector<std::string>& args,
                   const CopyOptions& options);
