#include "disc/imagefile.h"

namespace {

// Others may go on reading and writing: an image still being written by a
// download is read as far as it goes. An edit replaces the image by name,
// which Windows allows only when every open handle shares delete.
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;

Device DeviceOf(HANDLE handle) {
  return Device{handle == INVALID_HANDLE_VALUE ? nullptr : handle, 0};
}

}  // namespace

Device vepo_openimage(const char* path) {
  return DeviceOf(CreateFileA(path, GENERIC_READ, kShare, nullptr,
                              OPEN_EXISTING, kFlags, nullptr));
}

Device vepo_openimage(const WCHAR* path) {
  return DeviceOf(CreateFileW(path, GENERIC_READ, kShare, nullptr,
                              OPEN_EXISTING, kFlags, nullptr));
}
