// Walks one drive through a plug-in's entry points as a file manager does:
// lists every folder and copies every file, within bounds that keep a
// directory cycle finite. Prints a transcript that depends on nothing but
// the disc and the plug-in's answers, so that builds can be compared line
// by line.
#pragma once

#include <string>
#include <utility>

#include "tools/replay/binding.h"

// FsInit with the walker's callbacks, which print what the plug-in asks.
// localFile is where copies go; its name is masked in messages.
void StartPlugin(const Plugin& plugin, const std::string& localFile);

// Walks drive (such as Q:) from its root. Every line starts with a tag:
// LIST and GET for the calls, D and F for records, EMPTY, BOX, REQUEST and
// RESULT for the answers.
void WalkDrive(const Plugin& plugin, const std::string& drive);

// Lists the plug-in root, which closes the open drive, and forgets what it
// printed.
void CloseDriveThroughRoot(const Plugin& plugin);

// Disc bytes shown safely: control and non-ASCII bytes as \xHH, and the
// local file's name, which differs between platforms, as <local>.
std::string Shown(const char* text);

// Size and FNV-1a hash of the local file, the copied bytes in short.
std::pair<unsigned long long, unsigned long long> Fingerprint();

// The same of any file, with the bytes at [maskAt, maskAt + maskLength)
// hashed as zeros.
std::pair<unsigned long long, unsigned long long> FileFingerprint(
    const std::string& path, unsigned long long maskAt = 0,
    unsigned long long maskLength = 0);
