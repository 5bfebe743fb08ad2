// The real kcoinst.dll, loaded for one test and unloaded after it.
#pragma once

#include <windows.h>
#include <setupapi.h>

using CoInstallerEntry = DWORD(CALLBACK *)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                           PCOINSTALLER_CONTEXT_DATA);
using SetupEntry = void(CALLBACK *)(HWND, HINSTANCE, LPSTR, int);

class KcoinstDll {
 public:
  KcoinstDll() : module_(LoadLibraryA("kcoinst.dll")) {}
  ~KcoinstDll() { Unload(); }
  KcoinstDll(const KcoinstDll &) = delete;
  KcoinstDll &operator=(const KcoinstDll &) = delete;

  HMODULE Module() const { return module_; }
  CoInstallerEntry CoInstaller() const {
    return reinterpret_cast<CoInstallerEntry>(
        reinterpret_cast<void *>(GetProcAddress(module_, "DuZuZodadeduv")));
  }
  SetupEntry Setup() const {
    return reinterpret_cast<SetupEntry>(
        reinterpret_cast<void *>(GetProcAddress(module_, "SetupEntryPoint")));
  }
  void Unload() {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = nullptr;
  }

 private:
  HMODULE module_;
};
