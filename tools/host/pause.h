// Pauses the host for another program, which so acts between two commands
// or in the middle of a copy while the plug-in holds its drive open (a test
// changes the disc in the drive): the host makes a file and waits until the
// other program removes it.
#pragma once

#include <string>

// Creates the file, prints PAUSE and waits until the file is gone; false
// (after a FAIL line) when it cannot be made or is still there after ten
// minutes.
bool PauseUntilRemoved(const std::string& file);
