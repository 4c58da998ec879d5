// Taking host paths such as \E:\dir\file.ext apart. Both "\" and "/" are
// separators; comparisons are byte-wise.
#pragma once

#include <string>

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The path without one leading separator.
const char* SkipLeadingSlash(const char* path);

// Removes every trailing separator in place.
void StripTrailingSlashes(char* buffer);

// first := the first component; rest := the text from the separator that
// ends it (empty when none). rest may be null.
void SplitFirstComponent(const char* path, std::string& first,
                         std::string* rest = nullptr);

// 1 and drive := the text up to and including the first ":" when there is
// one standing before any "<"; else 0 and drive unchanged.
int GetDriveName(const char* component, std::string& drive);

// The path inside the disc after the drive component, without its leading
// separator; empty for the disc's root.
const char* PathAfterDrive(const char* path);

// Splits a file path into its directory part and its file name; either
// output may be null.
void SplitDirAndName(const char* path, std::string* dir, std::string* name);
