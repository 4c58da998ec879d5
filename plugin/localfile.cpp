#include "plugin/localfile.h"

#include "plugin/longpath.h"

namespace {

constexpr WCHAR kCreateMode[] = {'w', 'b', 0};
constexpr WCHAR kAppendMode[] = {'a', 'b', 0};

std::FILE* Open(const HostText& name, bool append) {
  if (name.wide) {
    return _wfopen(LongPathForm(name.units).c_str(),
                   append ? kAppendMode : kCreateMode);
  }
  return std::fopen(name.bytes.c_str(), append ? "ab" : "wb");
}

}  // namespace

bool LocalFileExists(const HostText& name) {
  const DWORD attributes =
      name.wide ? GetFileAttributesW(LongPathForm(name.units).c_str())
                : GetFileAttributesA(name.bytes.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES;
}

void RemoveLocalFile(const HostText& name) {
  if (name.wide) {
    _wremove(LongPathForm(name.units).c_str());
  } else {
    std::remove(name.bytes.c_str());
  }
}

std::FILE* OpenLocalFile(const HostText& name) {
  if (std::FILE* created = Open(name, false)) std::fclose(created);
  std::FILE* file = Open(name, true);
  if (file) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}
