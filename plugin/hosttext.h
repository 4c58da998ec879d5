// Text as it crosses the host boundary. The 8-bit entry points hand over
// bytes, which the plug-in uses as they are; the wide ones hand over UTF-16,
// kept as given for local files, messages and progress, and encoded as
// Windows-1252 for the lookup on the disc. One implementation serves both:
// it looks up bytes and answers the host in the side's own text.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>

#include "plugin/cp1252.h"

struct HostText {
  bool wide = false;
  // The lookup's bytes: as given on the narrow side; on the wide side one
  // byte per unit, '?' for a unit that no byte decodes to.
  std::string bytes;
  // The wide side's units as given.
  WideString units;
  // Wide side: index of the first unit no byte decodes to, else npos.
  std::size_t unmatchable = std::string::npos;
};

HostText NarrowText(const char* text);
HostText WideText(const WCHAR* text);
// count characters (bytes or units) from pos, cut at the end.
HostText Slice(const HostText& text, std::size_t pos,
               std::size_t count = std::string::npos);

// Wide side: format with each %s or %d replaced by the next piece in turn.
WideString FormatWide(const char* format,
                      std::initializer_list<WideString> pieces);

inline const char* NarrowArg(const HostText& text) {
  return text.bytes.c_str();
}
inline int NarrowArg(int value) { return value; }
inline WideString WideArg(const HostText& text) { return text.units; }
WideString WideArg(int value);

// A printf-style message (%s takes a HostText, %d an int) in the side's
// text. The narrow side formats as it always has, into 1024 bytes.
template <typename... Args>
HostText FormatHostText(bool wide, const char* format, const Args&... args) {
  HostText text;
  text.wide = wide;
  if (wide) {
    text.units = FormatWide(format, {WideArg(args)...});
  } else if constexpr (sizeof...(Args) == 0) {
    text.bytes = format;
  } else {
    char message[1024];
    std::snprintf(message, sizeof message, format, NarrowArg(args)...);
    text.bytes = message;
  }
  return text;
}

// The part of a host path below its drive that a walk on the disc can
// follow. *cut is set when a unit that no disc byte decodes to lies below
// the drive: its component cannot exist, so the part ends before the
// separator that starts it.
std::string ReachableBelowDrive(const HostText& path, bool* cut);
