// Fault injection: for the length of a scope, a module's calls to one imported function
// go to a replacement. Patches the module's import address table, so it reaches every call
// the module makes into Windows and the C runtime (malloc included).
#pragma once

#include <windows.h>

class ImportPatch {
 public:
  // module: the image whose imports are patched (GetModuleHandle(nullptr) for the test
  // executable, which holds the module's objects in unit tests; the loaded kcoinst.dll in
  // DLL tests). dll is matched without regard to case.
  ImportPatch(HMODULE module, const char *dll, const char *function, const void *replacement);
  ~ImportPatch();
  ImportPatch(const ImportPatch &) = delete;
  ImportPatch &operator=(const ImportPatch &) = delete;

  // False when the module does not import the function: the patch then does nothing.
  bool Active() const { return slot_ != nullptr; }
  // The function that the slot held before the patch.
  template <typename F>
  F Original() const {
    return reinterpret_cast<F>(original_);
  }

 private:
  void **slot_ = nullptr;
  void *original_ = nullptr;
};

// The import slot of a module for dll!function, or none.
void **FindImportSlot(HMODULE module, const char *dll, const char *function);

// GetSystemDirectoryA of a module reports the given directory instead (an empty text makes
// it fail), for as long as the object lives. One at a time.
class FakeSystemDirectory {
 public:
  FakeSystemDirectory(HMODULE module, const char *directory);
  ~FakeSystemDirectory();

 private:
  ImportPatch patch_;
};

// The real export of a system DLL, for replacements that pass calls on: calling the
// function by name from the test executable would come back through a patched slot.
template <typename F>
F RealFunction(const char *dll, const char *function) {
  return reinterpret_cast<F>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA(dll), function)));
}
