// kcoinst.dll as Wine's own SetupDiCallClassInstaller calls it: loaded through the driver
// key's CoInstallers32 once the device is installed, and loaded afresh for every call.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/camera_device.h"
#include "support/filter_registry.h"
#include "support/recorder.h"
#include "support/wine_files.h"

namespace {

std::string BuiltDll() { return BuiltProgramPath("kcoinst.dll"); }

TEST(WineSetupApiTest, CallsTheRegisteredCoInstallerAfterTheInstallOneLoadPerCall) {
  FilterRegistrySnapshot registry;
  FreshLog log;
  ScratchDirectory folder("kcoinst-wine-package");
  CameraPackage package;
  package.coInstaller = BuiltDll() + ",DuZuZodadeduv";
  CameraDevice device(folder.Path(), package);
  ASSERT_TRUE(device.Ready()) << device.Failure();

  // DIF_REGISTER_COINSTALLERS writes the driver key's CoInstallers32; from then on Wine
  // calls the co-installer.
  const DI_FUNCTION calls[] = {DIF_REGISTER_COINSTALLERS, DIF_INSTALLDEVICE,
                               DIF_NEWDEVICEWIZARD_FINISHINSTALL, DIF_INSTALLDEVICE,
                               DIF_DESTROYPRIVATEDATA};
  for (DI_FUNCTION code : calls) {
    SetLastError(0xDEADBEEF);
    // Codes without a default action end in ERROR_DI_DO_DEFAULT.
    const bool done = SetupDiCallClassInstaller(code, device.Set(), device.Data());
    EXPECT_TRUE(done || GetLastError() == static_cast<DWORD>(ERROR_DI_DO_DEFAULT))
        << code << " " << GetLastError();
  }
  EXPECT_EQ(nullptr, GetModuleHandleA(BuiltDll().c_str())) << "unloaded after each call";

  std::string text = log.Text();
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  std::string banners;
  for (size_t at = 0; (at = text.find("---", at)) != std::string::npos;) {
    const size_t end = text.find('\n', at);
    banners += text.substr(at, end - at + 1);
    at = end;
  }
  // Wine never makes the post-processing call: each DIF_INSTALLDEVICE is pre-processing,
  // in a fresh install context of a freshly loaded DLL.
  EXPECT_EQ(
      "--- DIF_INSTALLDEVICE (Pro-processing) ----\n"
      "---- DIF_NEWDEVICEWIZARD_FINISHINSTALL ----\n"
      "--- DIF_INSTALLDEVICE (Pro-processing) ----\n"
      "--------- DIF_DESTROYPRIVATEDATA ----------\n",
      banners);
}

}  // namespace
