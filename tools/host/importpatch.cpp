#include "tools/host/importpatch.h"

#include <cstring>

namespace {

template <typename T>
T* At(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

bool PatchSlot(IMAGE_THUNK_DATA* slot, const void* replacement,
               const void** previous) {
  if (previous) *previous = reinterpret_cast<const void*>(slot->u1.Function);
  DWORD oldProtect = 0;
  if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &oldProtect))
    return false;
  slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
  VirtualProtect(slot, sizeof(*slot), oldProtect, &oldProtect);
  return true;
}

}  // namespace

bool PatchImport(HMODULE module, const char* dll, const char* function,
                 const void* replacement, const void** previous) {
  auto* dos = At<IMAGE_DOS_HEADER>(module, 0);
  auto* nt = At<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return false;

  for (auto* desc = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
       desc->Name != 0; ++desc) {
    if (_stricmp(At<char>(module, desc->Name), dll) != 0) continue;
    // Without a name table the slots cannot be told apart.
    if (desc->OriginalFirstThunk == 0) return false;
    // The name table stays as linked; the address table holds the resolved
    // addresses, one slot per name.
    auto* name = At<IMAGE_THUNK_DATA>(module, desc->OriginalFirstThunk);
    auto* slot = At<IMAGE_THUNK_DATA>(module, desc->FirstThunk);
    for (; name->u1.AddressOfData != 0; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      auto* byName = At<IMAGE_IMPORT_BY_NAME>(
          module, static_cast<DWORD>(name->u1.AddressOfData));
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) ==
          0)
        return PatchSlot(slot, replacement, previous);
    }
  }
  return false;
}
