// DeleteFiles: the image rewritten without the listed entries.
#pragma once

#include <vector>

#include "plugin/hosttext.h"

// names: files relative to the image's root ("dir\name"), and folders with
// everything under them as "dir\*.*" ("/" on Linux too). A folder left
// empty stays. 0, or the results of a pack; progress in percents.
int DeleteImageEntries(const HostText& image,
                       const std::vector<HostText>& names);
