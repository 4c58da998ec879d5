// The title of an image file, by its path. Hosts ask for each field of a
// file separately, so the fields of the last image asked for are kept,
// keyed by its path, size and last-write time: one parse serves them all,
// and a file rewritten in place is read again.
#pragma once

#include "plugin/disctitle.h"
#include "plugin/hosttext.h"

// kTitleRead and *info, kTitleNone, or kTitleUnreadable for a file that
// cannot be opened or read, or a folder. Any thread may call it.
int ImageTitle(const HostText& path, TitleInfo* info);

// Forgets the kept fields.
void ForgetImageTitle();
