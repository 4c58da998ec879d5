// The archive plug-in's entry points: thin shims that keep every exception
// inside the plug-in. Every open archive is independent, so extractions may
// run side by side.
#include "archive/exports.h"

#include "archive/delete.h"
#include "archive/extract.h"
#include "archive/headers.h"
#include "archive/imagearchive.h"
#include "archive/pack.h"

namespace {

ImageArchive* Archive(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? nullptr
                                        : static_cast<ImageArchive*>(handle);
}

template <typename Data>
HANDLE Open(Data* data, const HostText& name) {
  try {
    return OpenImageArchive(name, kHostHeaderStyle, &data->OpenResult);
  } catch (...) {
    data->OpenResult = E_NO_MEMORY;
    return nullptr;
  }
}

template <typename Record>
int Read(HANDLE handle, Record* header) {
  try {
    ImageArchive* archive = Archive(handle);
    if (!archive) return E_BAD_ARCHIVE;
    const int result = NextArchiveEntry(*archive);
    if (result == 0) FillHeader(*archive, kHostHeaderStyle, header);
    return result;
  } catch (...) {
    return E_NO_MEMORY;
  }
}

template <typename Char>
HostText Text(const Char* text);
template <>
HostText Text(const char* text) {
  return NarrowText(text ? text : "");
}
template <>
HostText Text(const WCHAR* text) {
  static const WCHAR kEmpty[] = {0};
  return WideText(text ? text : kEmpty);
}

template <typename Char>
int Process(HANDLE handle, int operation, const Char* destPath,
            const Char* destName) {
  try {
    const HostText target = operation == PK_EXTRACT
                                ? TargetName(Text(destPath), Text(destName))
                                : HostText();
    ImageArchive* archive = Archive(handle);
    return archive ? ProcessEntry(*archive, operation, target) : E_BAD_ARCHIVE;
  } catch (...) {
    return E_NO_MEMORY;
  }
}

// The names of a list that ends with an empty one.
template <typename Char>
std::vector<HostText> ListedNames(const Char* list) {
  std::vector<HostText> names;
  while (list && *list) {
    names.push_back(Text(list));
    while (*list) ++list;
    ++list;
  }
  return names;
}

template <typename Char>
int Pack(const Char* packedFile, const Char* subPath, const Char* srcPath,
         const Char* addList, int flags) {
  try {
    PackRequest request{Text(packedFile), Text(subPath), Text(srcPath),
                        ListedNames(addList), flags};
    return PackLocalFiles(request);
  } catch (...) {
    return E_NO_MEMORY;
  }
}

template <typename Char>
int Delete(const Char* packedFile, const Char* deleteList) {
  try {
    return DeleteImageEntries(Text(packedFile), ListedNames(deleteList));
  } catch (...) {
    return E_NO_MEMORY;
  }
}

}  // namespace

extern "C" HANDLE WINAPI OpenArchive(tOpenArchiveData* data) {
  return Open(data, Text(data->ArcName));
}

extern "C" HANDLE WINAPI OpenArchiveW(tOpenArchiveDataW* data) {
  return Open(data, Text(data->ArcName));
}

extern "C" int WINAPI ReadHeader(HANDLE handle, tHeaderData* header) {
  try {
    // A path too long for the plain record is left out.
    ImageArchive* archive = Archive(handle);
    if (!archive) return E_BAD_ARCHIVE;
    int result = 0;
    while ((result = NextArchiveEntry(*archive)) == 0 &&
           !FillHeader(*archive, kHostHeaderStyle, header)) {
    }
    return result;
  } catch (...) {
    return E_NO_MEMORY;
  }
}

extern "C" int WINAPI ReadHeaderEx(HANDLE handle, tHeaderDataEx* header) {
  return Read(handle, header);
}

extern "C" int WINAPI ReadHeaderExW(HANDLE handle, tHeaderDataExW* header) {
  return Read(handle, header);
}

extern "C" int WINAPI ProcessFile(HANDLE handle, int operation, char* destPath,
                                  char* destName) {
  return Process(handle, operation, destPath, destName);
}

extern "C" int WINAPI ProcessFileW(HANDLE handle, int operation,
                                   WCHAR* destPath, WCHAR* destName) {
  return Process(handle, operation, destPath, destName);
}

extern "C" int WINAPI CloseArchive(HANDLE handle) {
  delete Archive(handle);
  return 0;
}

// No image spans volumes.
extern "C" void WINAPI SetChangeVolProc(HANDLE, tChangeVolProc) {}
extern "C" void WINAPI SetChangeVolProcW(HANDLE, tChangeVolProcW) {}

// Handle -1 sets the callbacks of the packs to come.
extern "C" void WINAPI SetProcessDataProc(HANDLE handle,
                                          tProcessDataProc proc) {
  if (ImageArchive* archive = Archive(handle)) {
    archive->progress = proc;
  } else if (handle == INVALID_HANDLE_VALUE) {
    SetPackProgress(proc);
  }
}

extern "C" void WINAPI SetProcessDataProcW(HANDLE handle,
                                           tProcessDataProcW proc) {
  if (ImageArchive* archive = Archive(handle)) {
    archive->progressW = proc;
  } else if (handle == INVALID_HANDLE_VALUE) {
    SetPackProgressW(proc);
  }
}

extern "C" int WINAPI PackFiles(char* packedFile, char* subPath, char* srcPath,
                                char* addList, int flags) {
  return Pack(packedFile, subPath, srcPath, addList, flags);
}

extern "C" int WINAPI PackFilesW(WCHAR* packedFile, WCHAR* subPath,
                                 WCHAR* srcPath, WCHAR* addList, int flags) {
  return Pack(packedFile, subPath, srcPath, addList, flags);
}

extern "C" int WINAPI DeleteFiles(char* packedFile, char* deleteList) {
  return Delete(packedFile, deleteList);
}

extern "C" int WINAPI DeleteFilesW(WCHAR* packedFile, WCHAR* deleteList) {
  return Delete(packedFile, deleteList);
}

extern "C" int WINAPI GetPackerCaps() {
  return PK_CAPS_NEW | PK_CAPS_MODIFY | PK_CAPS_MULTIPLE | PK_CAPS_DELETE |
         PK_CAPS_BY_CONTENT;
}

extern "C" BOOL WINAPI CanYouHandleThisFile(char* fileName) {
  try {
    return IsXboxImage(Text(fileName)) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

extern "C" BOOL WINAPI CanYouHandleThisFileW(WCHAR* fileName) {
  try {
    return IsXboxImage(Text(fileName)) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

extern "C" void WINAPI PackSetDefaultParams(PackDefaultParamStruct*) {}

extern "C" int WINAPI GetBackgroundFlags() { return BACKGROUND_UNPACK; }

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
