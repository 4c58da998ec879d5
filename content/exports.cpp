// The content plug-in's entry points: thin shims that keep every exception
// inside the plug-in. Values are answered at once, never ft_delayed: hosts
// show a delayed field as empty and do not ask again.
#include "content/exports.h"

#include <algorithm>
#include <cstring>

#include "content/imagetitle.h"
#include "plugin/titlefields.h"

namespace {

int Value(const HostText& path, int fieldIndex, void* fieldValue, int maxlen,
          bool wide) {
  TitleInfo info;
  const int read = ImageTitle(path, &info);
  return FieldValue(read, info, fieldIndex, wide, fieldValue, maxlen);
}

}  // namespace

extern "C" int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName,
                                               char* units, int maxlen) {
  return SupportedField(fieldIndex, fieldName, units, maxlen);
}

extern "C" int WINAPI ContentGetValue(char* fileName, int fieldIndex, int,
                                      void* fieldValue, int maxlen, int) {
  try {
    return Value(NarrowText(fileName ? fileName : ""), fieldIndex, fieldValue,
                 maxlen, false);
  } catch (...) {
    return ft_fileerror;
  }
}

extern "C" int WINAPI ContentGetValueW(WCHAR* fileName, int fieldIndex, int,
                                       void* fieldValue, int maxlen, int) {
  static const WCHAR kEmpty[] = {0};
  try {
    return Value(WideText(fileName ? fileName : kEmpty), fieldIndex, fieldValue,
                 maxlen, true);
  } catch (...) {
    return ft_fileerror;
  }
}

extern "C" void WINAPI ContentGetDetectString(char* detectString, int maxlen) {
  if (!detectString || maxlen <= 0) return;
  const std::size_t length = std::min(std::strlen(kDetectString),
                                      static_cast<std::size_t>(maxlen) - 1);
  std::memcpy(detectString, kDetectString, length);
  detectString[length] = '\0';
}

// No settings to read.
extern "C" void WINAPI ContentSetDefaultParams(ContentDefaultParamStruct*) {}

extern "C" void WINAPI ContentPluginUnloading() { ForgetImageTitle(); }

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
