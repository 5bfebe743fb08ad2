#include "support/iat_patch.h"

#include <cstring>

namespace {

template <typename T>
T *AtRva(HMODULE module, DWORD rva) {
  return reinterpret_cast<T *>(reinterpret_cast<BYTE *>(module) + rva);
}

void WriteSlot(void **slot, void *value) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof(*slot), old, &old);
}

}  // namespace

void **FindImportSlot(HMODULE module, const char *dll, const char *function) {
  if (module == nullptr) return nullptr;
  auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(module);
  auto *nt = AtRva<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  for (auto *desc = AtRva<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); desc->Name != 0;
       ++desc) {
    if (_stricmp(AtRva<char>(module, desc->Name), dll) != 0) continue;
    auto *names = AtRva<IMAGE_THUNK_DATA>(
        module, desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk);
    auto *slots = AtRva<IMAGE_THUNK_DATA>(module, desc->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto *byName =
          AtRva<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
      if (strcmp(reinterpret_cast<const char *>(byName->Name), function) == 0) {
        return reinterpret_cast<void **>(&slots->u1.Function);
      }
    }
  }
  return nullptr;
}

ImportPatch::ImportPatch(HMODULE module, const char *dll, const char *function,
                         const void *replacement)
    : slot_(FindImportSlot(module, dll, function)) {
  if (slot_ == nullptr) return;
  original_ = *slot_;
  WriteSlot(slot_, const_cast<void *>(replacement));
}

ImportPatch::~ImportPatch() {
  if (slot_ != nullptr) WriteSlot(slot_, original_);
}

namespace {

char fakeSystemDirectory[1024];

UINT WINAPI ReportFakeSystemDirectory(LPSTR buffer, UINT size) {
  const UINT length = static_cast<UINT>(strlen(fakeSystemDirectory));
  if (length == 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  if (length >= size) return length + 1;  // what Windows reports for a buffer too small
  memcpy(buffer, fakeSystemDirectory, length + 1);
  return length;
}

}  // namespace

FakeSystemDirectory::FakeSystemDirectory(HMODULE module, const char *directory)
    : patch_((strncpy(fakeSystemDirectory, directory, sizeof(fakeSystemDirectory) - 1), module),
             "kernel32.dll", "GetSystemDirectoryA",
             reinterpret_cast<void *>(ReportFakeSystemDirectory)) {}

FakeSystemDirectory::~FakeSystemDirectory() { fakeSystemDirectory[0] = '\0'; }
