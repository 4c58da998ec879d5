// Local names as Windows opens them at any length.
#pragma once

#include "plugin/cp1252.h"

// A wide drive or UNC path of MAX_PATH units or more in the long form
// (\\?\C:\…, \\?\UNC\server\…), with backslashes alone as that form takes;
// any other name as given. Every open, stat and removal of a local file by
// a wide name goes through here: Windows refuses such paths otherwise,
// Wine does not.
WideString LongPathForm(const WideString& path);
