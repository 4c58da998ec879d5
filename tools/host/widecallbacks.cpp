#include "tools/host/widecallbacks.h"

#include "tools/host/callbacks.h"
#include "tools/host/output.h"

namespace {

std::string QuotedW(const wchar_t* text) {
  return text ? Quoted(Utf8(text).c_str()) : "null";
}

}  // namespace

std::string Utf8(const wchar_t* text) {
  int size =
      WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "";
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
  out.resize(size - 1);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 0) return L"";
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], size);
  out.resize(size - 1);
  return out;
}

int WINAPI OnProgressW(int, WCHAR* sourceName, WCHAR* targetName,
                       int percentDone) {
  ShowProgress(sourceName ? Utf8(sourceName).c_str() : nullptr,
               targetName ? Utf8(targetName).c_str() : nullptr, percentDone,
               "PROGRESSW");
  return CountProgressReport();
}

void WINAPI OnLogW(int, int messageType, WCHAR* text) {
  if (callbackState.quiet) return;
  Say("LOGW type=%d text=%s", messageType, QuotedW(text).c_str());
}

int WINAPI OnRequestW(int, int requestType, WCHAR* title, WCHAR* text, WCHAR*,
                      int) {
  if (!CountMessage()) return 1;
  Say("REQUESTW type=%d title=%s text=%s", requestType, QuotedW(title).c_str(),
      QuotedW(text).c_str());
  return 1;
}

int WINAPI OnMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption,
                         UINT style) {
  if (!CountMessage()) return IDOK;
  if (!callbackState.printMessageBoxes)
    return MessageBoxW(owner, text, caption, style);
  Say("MESSAGEBOXW caption=%s text=%s", QuotedW(caption).c_str(),
      QuotedW(text).c_str());
  return IDOK;
}
