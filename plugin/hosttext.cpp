#include "plugin/hosttext.h"

#include <algorithm>

#include "path/hostpath.h"

HostText NarrowText(const char* text) {
  HostText result;
  result.bytes = text;
  return result;
}

HostText WideText(const WCHAR* text) {
  HostText result;
  result.wide = true;
  result.units = text;
  result.bytes.reserve(result.units.size());
  for (WCHAR unit : result.units) {
    unsigned char byte = '?';
    if (!EncodeCp1252(unit, &byte) && result.unmatchable == std::string::npos) {
      result.unmatchable = result.bytes.size();
    }
    result.bytes += static_cast<char>(byte);
  }
  return result;
}

HostText Slice(const HostText& text, std::size_t pos, std::size_t count) {
  pos = std::min(pos, text.bytes.size());
  if (text.wide) return WideText(text.units.substr(pos, count).c_str());
  return NarrowText(text.bytes.substr(pos, count).c_str());
}

WideString WideArg(int value) { return DecodeCp1252(std::to_string(value)); }

WideString FormatWide(const char* format,
                      std::initializer_list<WideString> pieces) {
  WideString text;
  const WideString* piece = pieces.begin();
  for (const char* c = format; *c; ++c) {
    if (c[0] == '%' && (c[1] == 's' || c[1] == 'd') && piece != pieces.end()) {
      text += *piece++;
      ++c;
    } else {
      text += DecodeCp1252(static_cast<unsigned char>(*c));
    }
  }
  return text;
}

std::string ReachableBelowDrive(const HostText& path, bool* cut) {
  const char* text = path.bytes.c_str();
  const std::size_t below = PathAfterDrive(text) - text;
  *cut = path.unmatchable != std::string::npos && path.unmatchable >= below;
  if (!*cut) return text + below;
  std::size_t start = path.unmatchable;
  while (start > below && !IsSeparator(text[start - 1])) --start;
  return path.bytes.substr(below, start > below ? start - 1 - below : 0);
}
