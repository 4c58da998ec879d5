#include "tools/host/wcxpack.h"

#include "tools/host/exitcodes.h"
#include "tools/host/output.h"
#include "tools/host/widecallbacks.h"

namespace {

struct PackProgress {
  int reports = 0;
  int cancelAt = 0;
  long long bytes = 0;
  bool percents = false;
} progress;

int WINAPI OnPackData(WCHAR*, int size) {
  ++progress.reports;
  if (progress.percents) {
    Say("PERCENT %d", -size);
    if (size > -1 || size < -100) Say("FAIL progress of %d", size);
  } else {
    if (size <= 0) Say("FAIL progress of %d bytes", size);
    progress.bytes += size;
  }
  return progress.reports == progress.cancelAt ? 0 : 1;
}

// Files first, then each folder's entry and its contents.
void ListFolder(const std::wstring& root, const std::wstring& relative,
                std::wstring* list) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((root + relative + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> folders;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      folders.push_back(relative + name + L"\\");
    } else {
      *list += relative + name + L'\0';
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  for (const std::wstring& folder : folders) {
    *list += folder + L'\0';
    ListFolder(root, folder, list);
  }
}

void Start(int cancelAt, bool percents) {
  progress = PackProgress();
  progress.cancelAt = cancelAt;
  progress.percents = percents;
}

}  // namespace

int PackFolder(const ArchivePlugin& a, const std::string& image,
               const std::string& srcFolder, int flags,
               const std::string& subPath, int cancelAt) {
  std::wstring target = FromUtf8(image);
  std::wstring src = FromUtf8(srcFolder);
  if (src.empty() || src.back() != L'\\') src += L'\\';
  std::wstring sub = FromUtf8(subPath);
  std::wstring list;
  ListFolder(src, L"", &list);
  list += L'\0';
  Start(cancelAt, false);
  a.setProgress(INVALID_HANDLE_VALUE, OnPackData);
  const int result = a.pack(&target[0], sub.empty() ? nullptr : &sub[0],
                            &src[0], &list[0], flags);
  Say("PACK %d %lld", result, progress.bytes);
  return result == 0 ? kExitOk : kExitFailed;
}

int DeleteNames(const ArchivePlugin& a, const std::string& image,
                const std::vector<std::string>& names, int cancelAt) {
  std::wstring target = FromUtf8(image);
  std::wstring list;
  for (const std::string& name : names) list += FromUtf8(name) + L'\0';
  list += L'\0';
  Start(cancelAt, true);
  a.setProgress(INVALID_HANDLE_VALUE, OnPackData);
  const int result = a.remove(&target[0], &list[0]);
  Say("DELETE %d", result);
  return result == 0 ? kExitOk : kExitFailed;
}
