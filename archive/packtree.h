// The host's list of local files as a tree for the writer: names checked
// and encoded for the disc, sizes taken now, one entry per name.
#pragma once

#include <string>

#include "archive/pack.h"
#include "writer/writer.h"

// Adds every listed name under request.subPath of root, merging folders
// and replacing files that came from an image: 0, or E_ECREATE for a name
// the image cannot hold, E_EOPEN for a source that is gone, with error
// naming it.
int AddLocalFiles(const PackRequest& request, writer::Node* root,
                  HostText* error);

// After a move: removes the listed files, then the listed folders left
// empty, deepest first.
void RemovePackedSources(const PackRequest& request);
