// Drive names of the Linux layer: a block device name and a colon, such as
// sr0: or loop2:, so that the path code takes them as drive names.
#pragma once

#include <string>

// The device file of a drive name (sr0: gives /dev/sr0), letter case aside;
// empty unless the name is one of the drives listed now. Nothing outside the
// listing is ever opened.
std::string DeviceFileOf(const std::string& driveName);
