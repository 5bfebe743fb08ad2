// A camera function as Wine's SetupAPI sees it: a driver package (an INF of its own in a
// folder) and a root-enumerated device with hardware IDs, registered, whose driver list is
// built from that INF alone and the best driver selected. The device and its keys are
// removed again at the end.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "root_device.h"
#include "support/wine_files.h"

// The two functions of the camera: video (Image class) and audio (Media class).
enum class CameraFunction { Video, Audio };

struct CameraPackage {
  CameraFunction function = CameraFunction::Video;
  // The device's hardware IDs, which the INF's model lists too.
  std::vector<std::string> hardwareIds = {"USB\\VID_1234&PID_0A1B&REV_0100&MI_00",
                                          "USB\\VID_1234&PID_0A1B&MI_00"};
  // The CoInstallers32 entry of the .CoInstallers section ("dll,entry"); none leaves the
  // section without a co-installer.
  std::string coInstaller;
};

// The install section of the function's model: "KorvCamVideo" or "KorvCamAudio".
std::string CameraInstallSection(CameraFunction function);
// The text of the package's INF.
std::string CameraInf(const CameraPackage &package);

class CameraDevice {
 public:
  // Writes cam.inf into folder and makes the device; Ready() says whether every step worked.
  CameraDevice(const std::string &folder, const CameraPackage &package = CameraPackage());
  ~CameraDevice() { RemoveRootDevice(&device_); }
  CameraDevice(const CameraDevice &) = delete;
  CameraDevice &operator=(const CameraDevice &) = delete;

  bool Ready() const { return ready_; }
  // What failed when not Ready.
  const std::string &Failure() const { return device_.Failure; }
  HDEVINFO Set() const { return device_.Set; }
  SP_DEVINFO_DATA *Data() { return &device_.Data; }
  const std::string &InfPath() const { return infPath_; }

 private:
  // SetupAPI keeps a copy of an installed package's INF (and its compiled form) in the
  // Windows inf folder; the test's copies go again with the device.
  SetAside infCopy_;
  SetAside compiledInfCopy_;
  RootDevice device_;
  std::string infPath_;
  bool ready_ = false;
};
