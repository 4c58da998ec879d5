// The archive's current entry in the host's header records. Only the
// fields of the record are written, never a byte beyond the record the host
// passed: hosts differ in its size, and the record lies on their stack.
#pragma once

#include <cstdint>

#include "archive/imagearchive.h"

// The plain record's 260-byte name cannot hold every path: false, with
// nothing written, when the path does not fit.
bool FillHeader(const ImageArchive& archive, HeaderStyle style,
                tHeaderData* header);
void FillHeader(const ImageArchive& archive, HeaderStyle style,
                tHeaderDataEx* header);
void FillHeader(const ImageArchive& archive, HeaderStyle style,
                tHeaderDataExW* header);

// The entry's time in the style's form: a DOS date and time, or Unix
// seconds within a signed 32-bit value; a disc time out of range gives
// 2001-01-01 00:00 UTC.
int HeaderTime(std::uint64_t volumeTime, HeaderStyle style);
