#include "tools/host/fieldvalues.h"

#include <cstring>
#include <vector>

#include "plugin/wdxapi.h"
#include "tools/host/exitcodes.h"
#include "tools/host/output.h"
#include "tools/host/resolve.h"
#include "tools/host/widecallbacks.h"

namespace {

// A file manager's value buffer.
constexpr int kMaxLen = 2049;

std::string FromCodePage(const char* text, UINT codePage) {
  wchar_t wide[kMaxLen];
  const int units = MultiByteToWideChar(codePage, 0, text, -1, wide, kMaxLen);
  return units > 0 ? Utf8(wide) : std::string();
}

// The value as text; a narrow string is read in the code page of its call.
std::string ValueText(int type, const void* value, UINT codePage) {
  switch (type) {
    case ft_string:
      return FromCodePage(static_cast<const char*>(value), codePage);
    case ft_stringw:
      return Utf8(static_cast<const wchar_t*>(value));
    case ft_numeric_32: {
      int number = 0;
      std::memcpy(&number, value, sizeof number);
      return std::to_string(number);
    }
    default:
      return std::string();
  }
}

}  // namespace

int PrintFieldValues(const ContentCalls& calls, const std::string& path,
                     bool narrow) {
  std::vector<std::string> names;
  char name[256];
  char units[256];
  for (int i = 0; calls.field(i, name, units, sizeof name) > 0; ++i) {
    names.push_back(name);
  }
  std::wstring wide = FromUtf8(path);
  char ansi[MAX_PATH * 4] = "";
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, sizeof ansi, nullptr,
                      nullptr);
  Say("FILE %s", path.c_str());
  int exitCode = kExitOk;
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    union {
      char bytes[kMaxLen];
      wchar_t units[kMaxLen / 2];
    } value;
    std::memset(&value, 0, sizeof value);
    const int type = narrow ? calls.value(ansi, i, 0, &value, kMaxLen, 0)
                            : calls.valueW(&wide[0], i, 0, &value, kMaxLen, 0);
    // Hosts show a delayed answer as empty and never ask again.
    if ((type < 0 && type != ft_fieldempty) || type == ft_delayed) {
      exitCode = kExitFailed;
    }
    Say("V %d %s %s", type, names[i].c_str(),
        ValueText(type, &value, narrow ? 1252 : CP_UTF8).c_str());
  }
  return exitCode;
}

int PrintFsFieldValues(HMODULE module, const std::string& path) {
  ContentCalls calls;
  std::string error;
  if (!ResolveEntryPoint(module, "FsContentGetSupportedField", calls.field,
                         error) ||
      !ResolveEntryPoint(module, "FsContentGetValue", calls.value, error) ||
      !ResolveEntryPoint(module, "FsContentGetValueW", calls.valueW, error)) {
    Say("FAIL %s", error.c_str());
    return kExitNoPlugin;
  }
  return PrintFieldValues(calls, path, false);
}
