// strictcheck: calls the strict wrappers directly with calls that Windows
// refuses and with good ones, and prints what each gave back, so that a test
// can tell wrappers that enforce their rules from wrappers that pass all.
// Usage: strictcheck DRIVE   (such as E:, a drive with a disc of 64 KiB or
// more)

#include <malloc.h>

#include <string>

#include "tools/host/output.h"
#include "tools/host/strict.h"

namespace {

void Show(const char* check, BOOL ok, DWORD got = 0) {
  Say("CHECK %s ok=%d error=%lu got=%lu", check, ok ? 1 : 0,
      ok ? 0ul : static_cast<unsigned long>(GetLastError()),
      static_cast<unsigned long>(got));
}

HANDLE Open(const std::string& volume, DWORD share, DWORD disposition) {
  return StrictCreateFileA(volume.c_str(), GENERIC_READ, share, nullptr,
                           disposition, FILE_FLAG_NO_BUFFERING, nullptr);
}

void Read(const char* check, HANDLE handle, void* buffer, DWORD bytes,
          LONG position) {
  StrictSetFilePointer(handle, position, nullptr, FILE_BEGIN);
  DWORD got = 0;
  const BOOL ok = StrictReadFile(handle, buffer, bytes, &got, nullptr);
  Show(check, ok, got);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: strictcheck DRIVE\n", stderr);
    return 64;
  }
  const std::string volume = std::string("\\\\.\\") + argv[1];
  const DWORD shareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

  HANDLE handle = Open(volume, FILE_SHARE_READ, OPEN_EXISTING);
  Show("open-share-read", handle != INVALID_HANDLE_VALUE);
  handle = Open(volume, shareBoth, OPEN_ALWAYS);
  Show("open-always", handle != INVALID_HANDLE_VALUE);
  handle = Open(volume, shareBoth, OPEN_EXISTING);
  Show("open", handle != INVALID_HANDLE_VALUE);

  auto* block = static_cast<char*>(_aligned_malloc(8192, 4096));
  Read("read-buffer-off-512", handle, block + 512, 2048, 0);
  Read("read-count-100", handle, block, 100, 0);
  Read("read-position-1024", handle, block, 2048, 1024);
  LARGE_INTEGER size{};
  GetFileSizeEx(handle, &size);
  const LONG lastSector = static_cast<LONG>((size.QuadPart - 1) / 2048 * 2048);
  Read("read-past-end", handle, block, 4096, lastSector);
  Read("read-last-sector", handle, block, 2048, lastSector);
  Read("read", handle, block, 4096, 0x10000);
  _aligned_free(block);

  Show("close", StrictCloseHandle(handle));
  DWORD got = 0;
  Show("read-closed", StrictReadFile(handle, nullptr, 0, &got, nullptr));
  Show("close-again", StrictCloseHandle(handle));

  // A name past MAX_PATH in a folder that exists: refused plain, looked up
  // in the long form.
  const std::wstring deep = L"C:\\windows\\" + std::wstring(250, L'x');
  Show("attributes-long",
       StrictGetFileAttributesW(deep.c_str()) != INVALID_FILE_ATTRIBUTES);
  Show("attributes-long-form",
       StrictGetFileAttributesW((L"\\\\?\\" + deep).c_str()) !=
           INVALID_FILE_ATTRIBUTES);
  Show("wfopen-long", StrictWfopen(deep.c_str(), L"rb") != nullptr);
  PrintStrictSummary();
  return 0;
}
