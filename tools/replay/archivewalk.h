// Opens one image file through the archive plug-in as a file manager does
// and prints a transcript of it: the open's result, the headers, and the
// first files extracted (the walk's copy bound), with their results and
// fingerprints. Names are shown as Windows-1252 bytes, as the file-system
// side lists them.
#pragma once

#include <string>

#include "tools/host/archiveplugin.h"

// Lines: ARCHIVE, H for a header (the first kArchiveMaxShown), X for an
// extract, HEADERS with the count and the result that ended them.
void WalkArchive(const ArchivePlugin& calls, const std::string& image,
                 const std::string& localFile);
