// Small system actions of action lines: AutoPlay off through the maker's COM server, a
// DWORD value set to 1 or a value deleted below HKEY_LOCAL_MACHINE, and a copy of the HID
// USB driver into the Drivers folder.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstdint>

struct InstallContext;

// The maker's AutoPlay server and the interface whose slot 8 switches AutoPlay.
extern const CLSID CLSID_Ridora;
extern const IID IID_IRidora;

// The server's interface as far as it is called: five methods this module never uses,
// then the AutoPlay switch in slot 8.
struct IRidora : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused7() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAutoPlayDisabled(LONG disabled) = 0;
};

// Asks the server to switch AutoPlay off; a missing or refusing server leaves no trace.
void DisableAutoPlay();

// "key path\value name": sets the value to REG_DWORD 1 in an existing key. 1 when set.
int32_t CreateRegKeyHKLM(const char *registryPath);

// "key path\value name": deletes the value. 1 when deleted.
int32_t DeleteRegKeyHKLM(const char *registryPath);

// Copies hidusb.sys from the system directory into its Drivers folder, logging the outcome.
void CopyHIDUSBDriver(InstallContext *context);
