// A module for regsvr32: its DllRegisterServer writes "<module path>|DllRegisterServer" to
// the record file and succeeds.
#include <windows.h>

#include <cstdio>

#include "record_line.h"

namespace {
HINSTANCE self;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
  char module[MAX_PATH];
  GetModuleFileNameA(self, module, MAX_PATH);
  char line[MAX_PATH + 32];
  snprintf(line, sizeof(line), "%s|DllRegisterServer", module);
  AppendRecordLine(line);
  return S_OK;
}
