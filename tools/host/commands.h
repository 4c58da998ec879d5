// The host's commands. Each prints what it does and returns false when
// something it asked of the plug-in failed.
#pragma once

#include <string>

#include "tools/host/plugin.h"

struct CopyOptions {
  int copyFlags = 0;     // kCopyFlagOverwrite or 0
  int stopAtReport = 0;  // progress report to answer "stop" at; 0: never
};

bool ShowRootName(const Plugin& plugin);
bool ListOne(const Plugin& plugin, const std::string& path);
bool ListTree(const Plugin& plugin, const std::string& path);
bool CopyOutFile(const Plugin& plugin, const std::string& remote,
                 const std::string& local, const CopyOptions& options);
bool CopyOutFolder(const Plugin& plugin, const std::string& remoteDir,
                   const std::string& localDir, const CopyOptions& options);
