// The co-installer entry that SetupAPI calls for each device installation function.
#include "entry/install_context.h"
#include "entry/windows_records.h"

extern "C" DWORD CALLBACK DuZuZodadeduv(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                        PSP_DEVINFO_DATA DeviceInfoData,
                                        PCOINSTALLER_CONTEXT_DATA Context) {
  (void)InstallFunction;
  (void)DeviceInfoData;
  (void)Context;
  InstallContext *context = FindOrCreateContext(DeviceInfoSet);
  if (context == nullptr) return static_cast<DWORD>(E_FAIL);
  return NO_ERROR;
}
