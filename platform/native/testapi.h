// Test control of the native platform layer: which drives exist and what
// backs them, faults to inject, and counters of what the plug-in did.
// Everything is in-process; nothing is read from the environment or files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace nativewin {

// Forget drives, faults, counters, message boxes and the last error. Open
// handles and live blocks stay counted: they still exist.
void Reset();

// root is a drive root such as "E:\\". The drive's device \\.\E: reads the
// image file; an empty imagePath means a drive without a medium (opens fail).
void AddDrive(const std::string& root, UINT type,
              const std::string& imagePath = std::string());
// Put another image in a drive (an empty path takes the medium out). Handles
// that are already open keep reading what they had opened; the drive's
// media-change count moves.
void SetImage(const std::string& root, const std::string& imagePath);
// Swap the medium under the drive's open handles, as a tray swap does on a
// device that keeps its handles: they read the new image from then on (an
// empty path: every read brings nothing). With invalidateHandles they fail
// every read with ERROR_MEDIA_CHANGED instead, as a system that invalidates
// handles on a media change does. Either way the drive's media-change count
// moves.
void ChangeMedium(const std::string& root, const std::string& imagePath,
                  bool invalidateHandles = false);

// Faults. Each stays in force until Reset or ClearFaults.
void ClearFaults();
void FailLogicalDriveStrings();
void FailOpens();
// SetFilePointer to exactly this absolute byte position fails.
void FailSeekTo(std::uint64_t offset);
// A read whose range covers this sector reports 0 bytes.
void ZeroReadAtSector(std::uint64_t sector);
// A read that starts at this sector reports at most `bytes`.
void ShortReadAtSector(std::uint64_t sector, DWORD bytes);
// AllocBlock of exactly this many bytes returns null.
void FailAllocationOf(std::size_t bytes);
// AllocBlock of more than this many bytes returns null: a machine short of
// memory.
void FailAllocationsAbove(std::size_t bytes);
// A read on a drive that reaches past the image's last sector (its size
// rounded up to whole sectors) reads nothing and fails with
// ERROR_SECTOR_NOT_FOUND, as Windows refuses it on a volume. An image file
// opened as a file reads short at its end instead.
void RefuseReadsPastEnd();
// IOCTL_STORAGE_CHECK_VERIFY2 fails with ERROR_INVALID_PARAMETER, as under
// Wine: the count of media changes is unknown.
void FailMediaChangeCount();

// Every read takes as long as a drive reading this many bytes per second
// needs for what it brings; 0 reads at full speed again.
void ThrottleReads(double bytesPerSecond);

struct OpenRecord {
  std::string path;
  DWORD access;
  DWORD share;
  DWORD disposition;
  DWORD flags;
  bool succeeded;
};

struct ReadRecord {
  std::uint64_t offset;
  DWORD requested;
  DWORD got;
};

struct Stats {
  std::vector<OpenRecord> opens;
  // Every call, also those refused for a handle that is not open.
  int closes = 0;
  int seeks = 0;
  // Media-change count queries, failed ones included.
  int mediaChecks = 0;
  // Every read on an open handle, refused ones included.
  std::vector<ReadRecord> reads;
  // Reads refused because buffer, position or size broke the alignment that
  // unbuffered device reads need.
  int misalignedReads = 0;
  int openHandles = 0;
  std::size_t liveBlocks = 0;
};
const Stats& GetStats();
// Zero the counters (open handles and live blocks are kept, they are state).
void ResetStats();

struct MessageBoxRecord {
  HWND owner;
  std::string text;
  bool hasCaption;
  std::string caption;
  UINT type;
  bool wide = false;  // shown by MessageBoxW; text and caption in UTF-8
};
const std::vector<MessageBoxRecord>& MessageBoxes();

}  // namespace nativewin
