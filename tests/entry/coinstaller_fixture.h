// The co-installer with the module's objects linked in: the module set up as DllMain sets
// it up, the log set aside, a driver package folder and a camera device made from it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "diag/tracked_alloc.h"
#include "entry/coinstaller.h"
#include "entry/install_context.h"
#include "entry/windows_records.h"
#include "support/camera_device.h"
#include "support/filter_registry.h"
#include "support/module_fixture.h"
#include "support/recorder.h"
#include "support/wine_files.h"

class CoInstallerTest : public ModuleStateTest {
 protected:
  // A device of the package in the test's folder; Ready() is asserted by the caller.
  CameraDevice &Device(const CameraPackage &package = CameraPackage()) {
    return DeviceIn(package_.Path(), package);
  }
  CameraDevice &DeviceIn(const std::string &folder, const CameraPackage &package) {
    device_ = std::make_unique<CameraDevice>(folder, package);
    return *device_;
  }

  DWORD Call(DI_FUNCTION code, BOOL postProcessing = FALSE) {
    COINSTALLER_CONTEXT_DATA data = {};
    data.PostProcessing = postProcessing;
    return DuZuZodadeduv(code, device_->Set(), device_->Data(), &data);
  }

  // What the contexts logged so far, line feeds only: the contexts left are closed (which
  // writes out their streams) and the list starts empty again.
  std::string Log() {
    DestroyContextList();
    InitContextList();
    std::string text = log_.Text();
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }

  // The package folder with its trailing backslash, as the co-installer reports it.
  std::string Folder() const { return package_.Path() + "\\"; }

  // Pre-processing runs the INI section, which installs the bandwidth-monitor filter.
  FilterRegistrySnapshot registry_;
  FreshLog log_;
  ScratchDirectory package_{"kcoinst-package"};
  std::unique_ptr<CameraDevice> device_;
};

// The system's text for an error code, as the log carries it (line feeds only).
inline std::string SystemText(DWORD code) {
  char text[MAX_PATH] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0x409,
                 text, sizeof(text), nullptr);
  std::string result = text;
  result.erase(std::remove(result.begin(), result.end(), '\r'), result.end());
  return result;
}

#define ASSERT_READY(device) ASSERT_TRUE((device).Ready()) << (device).Failure()
