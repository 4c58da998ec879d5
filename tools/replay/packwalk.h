// Packs one prepared tree through the archive plug-in as a file manager
// does, PackFilesW of a source folder and a recursive list of names, and
// prints a transcript of it that depends on nothing but the tree and the
// plug-in's answers: the image's creation time, the clock's, is checked
// against the pack's own seconds and left out of the image's fingerprint.
#pragma once

#include <string>

#include "tools/host/archiveplugin.h"

// plan is a folder holding src, the source folder, and list, the names as
// PackFilesW takes them (UTF-16LE, each ended by a zero unit, '/' between
// components). image is where the pack writes. Lines: PACK with the result
// and the progress, BOX for each message, PACKED with the image's size,
// fingerprint and time check, or PACKED none; LEAK for a temporary file
// left beside it.
void PackPlan(const ArchivePlugin& calls, const std::string& plan,
              const std::string& image);
