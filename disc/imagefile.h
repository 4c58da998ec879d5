// An image file as a device: the same reads as a drive's, through the
// system's cache, so that a file on a disk with 4096-byte sectors reads at
// 2048-byte positions and a second listing comes from memory. An image whose
// length is no whole number of sectors reads like a disc that ends
// mid-sector: the last read comes back short.
#pragma once

#include "disc/device.h"

// With base 0 and a null handle when the file cannot be opened; close it
// with vepo_closedevice.
Device vepo_openimage(const char* path);
Device vepo_openimage(const WCHAR* path);
