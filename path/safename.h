// Whether a name read from a disc may stand as one component of a path in
// a host. Hosts take listed names and archive headers as paths and do not
// clean them, so a disc name that is empty, "." or "..", or that holds a
// separator, a control character or ':' (an alternate data stream on
// Windows) could name a place outside the folder it is listed in; one that
// Windows reads as a device (CON, NUL.txt, COM1, ...) or trims (a trailing
// dot or space) names something other than itself. Such an entry is left
// out of every listing, and everything below it.
#pragma once

#include <string>

bool IsSafeName(const std::string& name);
