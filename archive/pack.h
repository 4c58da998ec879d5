// PackFiles: an image written from local files as the host lists them, new
// or (with an existing image as the target) merged into the image's tree.
#pragma once

#include <vector>

#include "archive/wcxapi.h"
#include "plugin/hosttext.h"

struct PackRequest {
  HostText packedFile;
  HostText subPath;  // the folder inside the image; empty for its root
  HostText srcPath;  // the local folder the names count from
  std::vector<HostText> names;  // relative; folders end in a separator
  int flags = 0;                // PK_PACK_*
};

// The callbacks the host sets with handle -1 before it packs.
void SetPackProgress(tProcessDataProc progress);
void SetPackProgressW(tProcessDataProcW progress);

// 0, E_EABORTED when the progress callback answers 0, E_UNKNOWN_FORMAT for
// a target that is no Xbox image, E_ECREATE for a name the image cannot
// hold or no place to write, E_EOPEN or E_EREAD for a source that cannot
// be read, E_EWRITE, or E_NO_MEMORY. After any failure the target is as it
// was and the sources are where they were; a message names the file at
// fault unless the user cancelled.
int PackLocalFiles(const PackRequest& request);
