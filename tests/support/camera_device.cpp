#include "support/camera_device.h"

#include "support/wine_files.h"

namespace {

struct FunctionTraits {
  const char *className;
  const char *classGuid;
  const char *section;
  const char *description;
};

FunctionTraits Traits(CameraFunction function) {
  if (function == CameraFunction::Audio) {
    return {"Media", "{4d36e96c-e325-11ce-bfc1-08002be10318}", "KorvCamAudio",
            "Korvanta USB Camera Audio"};
  }
  return {"Image", "{6bdd1fc6-810f-11d0-bec7-08002be2092f}", "KorvCamVideo", "Korvanta USB Camera"};
}

// REG_MULTI_SZ text: each string terminated, one more terminator at the end.
std::string MultiString(const std::vector<std::string> &strings) {
  std::string text;
  for (const std::string &s : strings) text += s + '\0';
  return text + '\0';
}

}  // namespace

std::string CameraInstallSection(CameraFunction function) { return Traits(function).section; }

std::string CameraInf(const CameraPackage &package) {
  const FunctionTraits traits = Traits(package.function);
  const std::string section = traits.section;
  std::string inf =
      "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\nClass=" + std::string(traits.className) +
      "\r\nClassGuid=" + traits.classGuid +
      "\r\nProvider=%Korvanta%\r\nDriverVer=02/14/2007,11.0.0.1145\r\n\r\n";
  inf += "[Manufacturer]\r\n%Korvanta%=Korvanta\r\n\r\n";
  // The model lists every ID of the device, so that a long list reaches the driver detail.
  inf += "[Korvanta]\r\n%DeviceDesc%=" + section;
  for (const std::string &id : package.hardwareIds) inf += "," + id;
  inf += "\r\n\r\n";
  inf += "[" + section + "]\r\nAddReg=" + section + ".AddReg\r\n\r\n";
  inf += "[" + section + ".AddReg]\r\nHKR,,KorvantaFunction,,\"" + section + "\"\r\n\r\n";
  inf += "[" + section + ".CoInstallers]\r\n";
  if (!package.coInstaller.empty()) {
    inf += "AddReg=" + section + ".CoInstallers.AddReg\r\n\r\n";
    inf += "[" + section + ".CoInstallers.AddReg]\r\nHKR,,CoInstallers32,0x00010000,\"" +
           package.coInstaller + "\"\r\n";
  }
  inf += "\r\n[Strings]\r\nKorvanta=\"Korvanta\"\r\nDeviceDesc=\"" +
         std::string(traits.description) + "\"\r\n";
  return inf;
}

CameraDevice::CameraDevice(const std::string &folder, const CameraPackage &package)
    : infPath_(folder + "\\cam.inf") {
  const FunctionTraits traits = Traits(package.function);
  if (!WriteBytes(infPath_, CameraInf(package))) {
    Fail("writing the INF");
    return;
  }
  // The class as the INF gives it: Wine's prefix has no key for every setup class.
  GUID classGuid;
  char className[64];
  if (!SetupDiGetINFClassA(infPath_.c_str(), &classGuid, className, sizeof(className), nullptr)) {
    Fail("SetupDiGetINFClassA");
    return;
  }
  set_ = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
  if (set_ == INVALID_HANDLE_VALUE) {
    Fail("SetupDiCreateDeviceInfoList");
    return;
  }
  data_.cbSize = sizeof(data_);
  if (!SetupDiCreateDeviceInfoA(set_, className, &classGuid, traits.description, nullptr,
                                DICD_GENERATE_ID, &data_)) {
    Fail("SetupDiCreateDeviceInfoA");
    return;
  }
  const std::string ids = MultiString(package.hardwareIds);
  if (!SetupDiSetDeviceRegistryPropertyA(set_, &data_, SPDRP_HARDWAREID,
                                         reinterpret_cast<const BYTE *>(ids.data()),
                                         static_cast<DWORD>(ids.size()))) {
    Fail("SPDRP_HARDWAREID");
    return;
  }
  if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set_, &data_)) {
    Fail("DIF_REGISTERDEVICE");
    return;
  }
  created_ = true;

  SP_DEVINSTALL_PARAMS_A params = {};
  params.cbSize = sizeof(params);
  if (!SetupDiGetDeviceInstallParamsA(set_, &data_, &params)) {
    Fail("SetupDiGetDeviceInstallParamsA");
    return;
  }
  params.Flags |= DI_ENUMSINGLEINF;
  lstrcpynA(params.DriverPath, infPath_.c_str(), sizeof(params.DriverPath));
  if (!SetupDiSetDeviceInstallParamsA(set_, &data_, &params)) {
    Fail("SetupDiSetDeviceInstallParamsA");
    return;
  }
  if (!SetupDiBuildDriverInfoList(set_, &data_, SPDIT_COMPATDRIVER)) {
    Fail("SetupDiBuildDriverInfoList");
    return;
  }
  // No co-installer is registered for the device yet, so this reaches no co-installer.
  if (!SetupDiCallClassInstaller(DIF_SELECTBESTCOMPATDRV, set_, &data_)) {
    Fail("DIF_SELECTBESTCOMPATDRV");
    return;
  }
  ready_ = true;
}

CameraDevice::~CameraDevice() {
  // The default action of DIF_REMOVE, called directly so that no co-installer sees it.
  if (created_) SetupDiRemoveDevice(set_, &data_);
  if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
}

bool CameraDevice::Fail(const char *step) {
  failure_ = std::string(step) + " failed (" + std::to_string(GetLastError()) + ")";
  return false;
}
