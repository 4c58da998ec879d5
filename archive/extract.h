// ProcessFile on the archive's current entry: skip it, test it (read every
// sector, write nothing) or extract it to a local file, streamed in the
// same chunks as every copy out of a disc.
#pragma once

#include "archive/imagearchive.h"
#include "plugin/hosttext.h"

// One of the archive results: 0, E_EABORTED when the host's progress
// callback answers 0, E_ECREATE, E_EWRITE, E_EREAD or E_NO_MEMORY. A file
// that this call created is removed again unless the result is 0. target
// is the full local name, used only to extract.
int ProcessEntry(ImageArchive& archive, int operation, const HostText& target);

// The host's DestPath and DestName as one local name: DestName alone when
// there is no DestPath, as hosts pass it.
HostText TargetName(const HostText& destPath, const HostText& destName);
