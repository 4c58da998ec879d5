// The content fields of the drives in the root listing: the game of the disc
// each holds. Hosts ask for them on worker threads, before FsInit too, so
// they are read through a device of their own, never the listing's drive.
#pragma once

#include "plugin/hosttext.h"

// The value of field fieldIndex of the entry at path (such as \E:) into
// value, as plugin/titlefields.h answers it; ft_fieldempty for an entry
// that is no drive of the root listing.
int DriveFieldValue(const HostText& path, int fieldIndex, bool wide,
                    void* value, int maxlen);

// Forgets the kept fields of the last drive.
void ForgetDriveFields();
