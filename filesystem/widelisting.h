// Listings for the wide entry points: the one listing, its records handed
// out with their names decoded from Windows-1252.
#pragma once

#include "filesystem/listing.h"

void ToWideRecord(const WIN32_FIND_DATAA& record, WIN32_FIND_DATAW* wide);

HANDLE OpenWideListing(PluginState& state, const WCHAR* path,
                       WIN32_FIND_DATAW* findData);
int NextWideListingRecord(TCFS_FNC* handle, WIN32_FIND_DATAW* findData);
