#include "tools/host/pause.h"

#include "platform/win32.h"
#include "tools/host/output.h"

namespace {

// Minutes, not seconds: the other side may run on a slow, loaded machine.
constexpr DWORD kPatienceMs = 10 * 60 * 1000;
constexpr DWORD kPollMs = 20;

}  // namespace

bool PauseUntilRemoved(const std::string& file) {
  HANDLE created = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) {
    Say("FAIL cannot create %s", file.c_str());
    return false;
  }
  CloseHandle(created);
  Say("PAUSE %s", file.c_str());
  for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
      return true;
    Sleep(kPollMs);
  }
  Say("FAIL %s still there after ten minutes", file.c_str());
  return false;
}
