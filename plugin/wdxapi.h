// The interface between a file manager and a content plug-in: field types,
// results and records both sides agree on. The file-system plug-in answers
// the same calls for its own entries under FsContent names.
#pragma once

#include "platform/win32.h"

// Field types, and the results of a value request.
constexpr int ft_nomorefields = 0;
constexpr int ft_numeric_32 = 1;
constexpr int ft_numeric_64 = 2;
constexpr int ft_numeric_floating = 3;
constexpr int ft_date = 4;
constexpr int ft_time = 5;
constexpr int ft_boolean = 6;
constexpr int ft_multiplechoice = 7;
constexpr int ft_string = 8;
constexpr int ft_fulltext = 9;
constexpr int ft_datetime = 10;
constexpr int ft_stringw = 11;

constexpr int ft_nosuchfield = -1;
constexpr int ft_fileerror = -2;
constexpr int ft_fieldempty = -3;
constexpr int ft_ondemand = -4;
constexpr int ft_notsupported = -5;
constexpr int ft_setcancel = -6;
constexpr int ft_delayed = 0;

// Flags of a value request.
constexpr int CONTENT_DELAYIFSLOW = 1;
constexpr int CONTENT_PASSTHROUGH = 2;

// Only read by size; Double Commander on Linux passes a 4096-byte name
// field, so nothing past size is ever touched.
struct ContentDefaultParamStruct {
  int size;
  DWORD PluginInterfaceVersionLow;
  DWORD PluginInterfaceVersionHi;
  char DefaultIniName[MAX_PATH];
};
