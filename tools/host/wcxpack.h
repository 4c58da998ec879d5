// wcxhost's pack and delete commands, in the Windows file manager's call
// shape.
#pragma once

#include <string>
#include <vector>

#include "tools/host/archiveplugin.h"

// PackFilesW of everything below srcFolder, listed as the file manager does
// (relative names with "\", each folder's own entry ending in "\" before
// its contents); answers 0 at report cancelAt (0: never). Prints PACK with
// the result and the bytes reported. An exit code.
int PackFolder(const ArchivePlugin& a, const std::string& image,
               const std::string& srcFolder, int flags,
               const std::string& subPath, int cancelAt);

// DeleteFilesW of the names; prints every percent and DELETE with the
// result. An exit code.
int DeleteNames(const ArchivePlugin& a, const std::string& image,
                const std::vector<std::string>& names, int cancelAt);
