// What differs between the replay host's two builds: how it reaches the
// plug-in (the DLL under Windows, the linked-in entry points natively), how
// it sees the plug-in's message boxes, and what it can say about leaks.
#pragma once

#include <string>
#include <vector>

#include "tools/host/plugin.h"
#include "tools/replay/archivewalk.h"

// target is the plug-in DLL under Windows; natively, the image file (or a
// link to it) that drive becomes, and plugin has no module. On failure
// returns false with error set.
bool BindPlugin(const std::string& target, const std::string& drive,
                Plugin& plugin, std::string& error);

// The archive plug-in's calls: from the DLL under Windows, linked in
// natively (dll is then ignored). Its message boxes are caught as the other
// plug-in's.
bool BindArchive(const std::string& dll, ArchivePlugin& archive,
                 std::string& error);

// The separator of local paths on this side.
char LocalSeparator();

struct BoxMessage {
  bool hasCaption;
  std::string caption;
  std::string text;
};

// The message boxes the plug-in showed since the last call, in order.
std::vector<BoxMessage> TakeMessageBoxes();

// One line on the process's handles and memory, for flatness checks over a
// run; not part of the transcript.
std::string UsageLine();

// What outlived the walk of an image, while the plug-in has no drive open;
// empty when nothing did or the build cannot tell.
std::string Leftovers();
