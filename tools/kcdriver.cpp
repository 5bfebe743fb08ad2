// Loads a co-installer and calls it for a device information set as SetupAPI would, then
// prints the kcoinst.log it wrote.
// usage: kcdriver [path\to\kcoinst.dll]
#include <windows.h>
#include <setupapi.h>

#include <cstdio>

using CoInstallerEntry = DWORD(CALLBACK *)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                           PCOINSTALLER_CONTEXT_DATA);

int main(int argc, char **argv) {
  const char *dllPath = argc > 1 ? argv[1] : "kcoinst.dll";
  HMODULE dll = LoadLibraryA(dllPath);
  if (dll == nullptr) {
    printf("cannot load %s (%lu)\n", dllPath, GetLastError());
    return 1;
  }
  auto entry = reinterpret_cast<CoInstallerEntry>(
      reinterpret_cast<void *>(GetProcAddress(dll, "DuZuZodadeduv")));
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  if (entry == nullptr || set == INVALID_HANDLE_VALUE) {
    printf("no co-installer entry or device information set\n");
    return 1;
  }
  const struct {
    DI_FUNCTION code;
    const char *name;
  } calls[] = {{DIF_SELECTBESTCOMPATDRV, "DIF_SELECTBESTCOMPATDRV"},
               {DIF_INSTALLDEVICE, "DIF_INSTALLDEVICE"},
               {DIF_DESTROYPRIVATEDATA, "DIF_DESTROYPRIVATEDATA"}};
  for (const auto &call : calls) {
    COINSTALLER_CONTEXT_DATA context = {};
    printf("%-26s -> 0x%08lX\n", call.name, entry(call.code, set, nullptr, &context));
  }
  SetupDiDestroyDeviceInfoList(set);
  FreeLibrary(dll);

  char log[MAX_PATH];
  GetSystemDirectoryA(log, MAX_PATH);
  lstrcatA(log, "\\kcoinst.log");
  printf("\n--- %s ---\n", log);
  FILE *f = fopen(log, "rb");
  if (f == nullptr) {
    printf("(no log)\n");
    return 0;
  }
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) fwrite(chunk, 1, n, stdout);
  fclose(f);
  return 0;
}
