#include "root_device.h"

#include <cstdio>

namespace {

bool Fail(RootDevice *device, const char *step) {
  const unsigned long code = GetLastError();
  char text[160];
  snprintf(text, sizeof(text), "%s failed (0x%08lX)", step, code);
  device->Failure = text;
  return false;
}

}  // namespace

std::string MultiString(const std::vector<std::string> &strings) {
  std::string text;
  for (const std::string &s : strings) text += s + '\0';
  return text + '\0';
}

bool CreateRootDevice(const std::string &infPath, const std::vector<std::string> &hardwareIds,
                      RootDevice *device) {
  // The class as the INF gives it: Wine's prefix has no key for every setup class.
  GUID classGuid;
  char className[64];
  if (!SetupDiGetINFClassA(infPath.c_str(), &classGuid, className, sizeof(className), nullptr)) {
    return Fail(device, "SetupDiGetINFClassA");
  }
  device->Set = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
  if (device->Set == INVALID_HANDLE_VALUE) return Fail(device, "SetupDiCreateDeviceInfoList");
  device->Data.cbSize = sizeof(device->Data);
  if (!SetupDiCreateDeviceInfoA(device->Set, className, &classGuid, nullptr, nullptr,
                                DICD_GENERATE_ID, &device->Data)) {
    return Fail(device, "SetupDiCreateDeviceInfoA");
  }
  const std::string ids = MultiString(hardwareIds);
  if (!SetupDiSetDeviceRegistryPropertyA(device->Set, &device->Data, SPDRP_HARDWAREID,
                                         reinterpret_cast<const BYTE *>(ids.data()),
                                         static_cast<DWORD>(ids.size()))) {
    return Fail(device, "SetupDiSetDeviceRegistryPropertyA(SPDRP_HARDWAREID)");
  }
  if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, device->Set, &device->Data)) {
    return Fail(device, "DIF_REGISTERDEVICE");
  }
  device->Registered = true;

  SP_DEVINSTALL_PARAMS_A params = {};
  params.cbSize = sizeof(params);
  if (!SetupDiGetDeviceInstallParamsA(device->Set, &device->Data, &params)) {
    return Fail(device, "SetupDiGetDeviceInstallParamsA");
  }
  if (infPath.size() >= sizeof(params.DriverPath)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return Fail(device, "DriverPath");
  }
  params.Flags |= DI_ENUMSINGLEINF;
  lstrcpynA(params.DriverPath, infPath.c_str(), sizeof(params.DriverPath));
  if (!SetupDiSetDeviceInstallParamsA(device->Set, &device->Data, &params)) {
    return Fail(device, "SetupDiSetDeviceInstallParamsA");
  }
  if (!SetupDiBuildDriverInfoList(device->Set, &device->Data, SPDIT_COMPATDRIVER)) {
    return Fail(device, "SetupDiBuildDriverInfoList");
  }
  // No co-installer is registered for the device yet, so this reaches none. (Wine's
  // SetupDiSetSelectedDriver is not there to call directly.)
  if (!SetupDiCallClassInstaller(DIF_SELECTBESTCOMPATDRV, device->Set, &device->Data)) {
    return Fail(device, "DIF_SELECTBESTCOMPATDRV");
  }
  return true;
}

void RemoveRootDevice(RootDevice *device) {
  // DIF_REMOVE's default action, called directly so that no co-installer sees it.
  if (device->Registered) SetupDiRemoveDevice(device->Set, &device->Data);
  device->Registered = false;
  ReleaseRootDevice(device);
}

void ReleaseRootDevice(RootDevice *device) {
  if (device->Set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(device->Set);
  device->Set = INVALID_HANDLE_VALUE;
}
