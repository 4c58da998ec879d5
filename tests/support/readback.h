// An image as a host sees it: listed and extracted through the archive
// plug-in's wide calls.
#pragma once

#include <string>
#include <vector>

#include "tests/support/testdisc.h"

struct Listed {
  std::string path;  // '\'-joined, as Windows-1252 bytes
  bool folder;
  std::string bytes;
};

// Every entry of the image in the plug-in's order, each file extracted
// through scratch; fails the current test on a failed call.
std::vector<Listed> ReadBack(const std::string& image, const TempDir& scratch);
