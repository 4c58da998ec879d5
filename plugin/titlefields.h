// The fields users name in columns and rename masks, and their values as the
// host reads them. Names and formats are part of the interface.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/executable.h"

enum class FieldIndex { kTitle, kTitleId, kRegion, kDisc, kVersion, kPlatform };

// The field's type and its name into name (units empty), both cut to
// maxlen bytes with the NUL; ft_nomorefields past the last field.
int SupportedField(int index, char* name, char* units, int maxlen);

// The value of field index of a title read with result `read` (a
// disctitle.h result) into value, maxlen bytes: its type, ft_fieldempty,
// ft_fileerror or ft_nosuchfield. The wide call answers the title as
// ft_stringw, the 8-bit call as ft_string.
int FieldValue(int read, const TitleInfo& info, int index, bool wide,
               void* value, int maxlen);

// Formats, exposed for their tests.
std::string HexText(std::uint32_t value);
// Empty when no region bit is set.
std::string RegionText(std::uint32_t flags);
// A lone surrogate becomes U+FFFD.
std::string TitleUtf8(const WideString& title);
WideString TitleUtf16(const WideString& title);
