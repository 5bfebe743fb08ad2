#include "actions/system_actions.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>

#include "actions/registry_path.h"
#include "actions/system_paths.h"
#include "diag/bounded_string.h"
#include "diag/log.h"

// {5C3E8A10-6F2B-4D97-B1A4-2E90C7D5F368}
const CLSID CLSID_Ridora = {
    0x5C3E8A10, 0x6F2B, 0x4D97, {0xB1, 0xA4, 0x2E, 0x90, 0xC7, 0xD5, 0xF3, 0x68}};
// {5C3E8A11-6F2B-4D97-B1A4-2E90C7D5F368}
const IID IID_IRidora = {
    0x5C3E8A11, 0x6F2B, 0x4D97, {0xB1, 0xA4, 0x2E, 0x90, 0xC7, 0xD5, 0xF3, 0x68}};

namespace {

constexpr DWORD kRidoraContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

}  // namespace

void DisableAutoPlay() {
  CoInitialize(nullptr);
  IRidora *ridora = nullptr;
  const HRESULT created = CoCreateInstance(CLSID_Ridora, nullptr, kRidoraContext, IID_IRidora,
                                           reinterpret_cast<void **>(&ridora));
  if (SUCCEEDED(created) && ridora != nullptr) {
    ridora->SetAutoPlayDisabled(1);
    ridora->Release();
  }
  CoUninitialize();
}

int32_t CreateRegKeyHKLM(const char *registryPath) {
  char keyPath[MAX_PATH];
  BoundedCopy(keyPath, sizeof(keyPath), registryPath);
  const char *valueName = SplitRegistryPath(keyPath);
  if (valueName == nullptr) return 0;

  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_WRITE, &key) != ERROR_SUCCESS ||
      key == nullptr) {
    return 0;
  }
  const DWORD one = 1;
  const LONG set = RegSetValueExA(key, valueName, 0, REG_DWORD,
                                  reinterpret_cast<const BYTE *>(&one), sizeof(one));
  RegCloseKey(key);
  return set == ERROR_SUCCESS ? 1 : 0;
}

int32_t DeleteRegKeyHKLM(const char *registryPath) {
  char keyPath[MAX_PATH];
  BoundedCopy(keyPath, sizeof(keyPath), registryPath);
  const char *valueName = SplitRegistryPath(keyPath);
  if (valueName == nullptr) return 0;
  return SHDeleteValueA(HKEY_LOCAL_MACHINE, keyPath, valueName) == ERROR_SUCCESS ? 1 : 0;
}

void CopyHIDUSBDriver(InstallContext *context) {
  char systemDirectory[MAX_PATH];
  const UINT length = ReadSystemDirectory(systemDirectory);
  if (length == 0) {
    LogPrint(context, "GetSystemDirectory() Failed - Result - %d \n", static_cast<int>(length));
    return;
  }

  // Path lists for the shell: each path is followed by a second NUL. The last byte of each
  // buffer stays zero, so a cut path keeps its list end too.
  char from[MAX_PATH + 1];
  char to[MAX_PATH + 1];
  memset(from, 0, sizeof(from));
  memset(to, 0, sizeof(to));
  BoundedFormat(from, sizeof(from) - 1, "%s\\%s", systemDirectory, "hidusb.sys");
  BoundedFormat(to, sizeof(to) - 1, "%s\\%s\\%s", systemDirectory, "Drivers", "hidusb.sys");
  LogPrint(context, "Copying File \n");
  LogPrint(context, "From: %s\n", from);
  LogPrint(context, "To: %s\n", to);

  SHFILEOPSTRUCTA operation;
  memset(&operation, 0, sizeof(operation));
  operation.hwnd = nullptr;
  operation.wFunc = FO_COPY;
  operation.pFrom = from;
  operation.pTo = to;
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;

  const UINT savedMode = SetErrorMode(0);
  SetErrorMode(SEM_FAILCRITICALERRORS);
  const int result = SHFileOperationA(&operation);
  if (result == 0) {
    LogPrint(context, "SHFileOperation() operation Succeeded \n");
  } else {
    LogPrint(context, "SHFileOperation() operation Failed... Result - %d\n", result);
  }
  SetErrorMode(savedMode);
}
