// Windows-1252, the code page in which the wide entry points read names on
// a disc: every byte is one UTF-16 unit, so byte and unit positions agree.
#pragma once

#include <string>

#include "platform/win32.h"

using WideString = std::basic_string<WCHAR>;

// The unit a byte decodes to; the five bytes 1252 leaves undefined become
// the C1 controls of the same value, as Windows maps them.
WCHAR DecodeCp1252(unsigned char byte);
WideString DecodeCp1252(const std::string& bytes);

// true and *byte := the byte that decodes to unit; false when none does.
bool EncodeCp1252(WCHAR unit, unsigned char* byte);

// A wide host record's FileName as bytes, '?' for a unit no byte decodes
// to. Takes the record whole: the array of a packed record can only be read
// unit by unit.
template <typename Record>
std::string FileNameBytes(const Record& record) {
  std::string bytes;
  for (std::size_t i = 0; record.FileName[i]; ++i) {
    unsigned char byte = '?';
    EncodeCp1252(record.FileName[i], &byte);
    bytes += static_cast<char>(byte);
  }
  return bytes;
}
