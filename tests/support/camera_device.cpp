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
    : infCopy_(WindowsDirectory() + "\\inf\\cam.inf"),
      compiledInfCopy_(WindowsDirectory() + "\\inf\\cam.pnf"),
      infPath_(folder + "\\cam.inf") {
  if (!WriteBytes(infPath_, CameraInf(package))) {
    device_.Failure = "writing " + infPath_ + " failed";
    return;
  }
  ready_ = CreateRootDevice(infPath_, package.hardwareIds, &device_);
}
