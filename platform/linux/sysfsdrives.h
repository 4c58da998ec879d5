// The drives the Linux layer offers, as sysfs shows them: the machine's
// optical drives and the loop devices attached to disc image files.
#pragma once

#include <string>
#include <vector>

// Block device names such as sr0 and loop2: optical drives first, then loop
// devices, each by number.
std::vector<std::string> ListDriveDevices();

// Whether a loop device's backing file is a disc image: its name ends in
// .iso or .xiso, in any letter case. Keeps the many loop devices of other
// software out of the listing.
bool IsDiscImageName(const std::string& backingFile);
