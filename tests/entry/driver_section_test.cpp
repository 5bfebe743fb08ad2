// Pre-processing runs the kcoinst.ini section named like the selected driver's install
// section, on a real device, before it starts the value-add installer.
#include <gtest/gtest.h>

#include "entry/coinstaller_fixture.h"
#include "support/kcoinst_ini.h"
#include "support/registry.h"
#include "support/section_log.h"

namespace {

const char kTestKey[] = "SOFTWARE\\KcoinstDriverSectionTest";

TEST_F(CoInstallerTest, PreProcessingRunsEveryActionOfTheDriversSectionInOrder) {
  RegistrySnapshot testKey(HKEY_LOCAL_MACHINE, kTestKey);
  ASSERT_TRUE(CreateRegistryKey(HKEY_LOCAL_MACHINE, kTestKey));
  ASSERT_TRUE(
      WriteRegistryValue(HKEY_LOCAL_MACHINE, kTestKey, "Gone", REG_SZ, std::string("x\0", 2)));
  SetAside hidSource(SystemFile("hidusb.sys"));
  const std::string key = kTestKey;
  KcoinstIni ini(
      IniSectionText("KorvCamAudio", {"103,NO_ZADezozez"}) +
      IniSectionText(CameraInstallSection(CameraFunction::Video),
                     {"11,kcoinst-absent.dll", "99,DisableAutoPlay", "100," + key + "\\Gone",
                      "101,CopyHIDUSBDriver", "102," + key + "\\Made", "103,NO_ZADezozez",
                      "10,kcoinst-absent.ax", "12,C:\\absent\\readme.txt"}));
  ASSERT_READY(Device());

  EXPECT_EQ(static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUESTED), Call(DIF_INSTALLDEVICE));

  const std::string sys = SystemDirectory();
  const std::string expected =
      "--- DIF_INSTALLDEVICE (Pro-processing) ----\n" + SectionOpening("KorvCamVideo") +
      RegisteringDllLines(sys + "\\kcoinst-absent.dll") +
      "DisableAutoPlay: Going to Access RIDORA to disable Autoplay \n"
      "DeleteRegKeyHKLM: " +
      key + "\\Gone \n" + MissingHidCopyLines() + "CreateRegKeyHKLM: " + key +
      "\\Made \n"
      "Install Module check. NO_ZADezozez\n"
      "Will not Install ZADezozez.\n" +
      RegisteringDllLines(WindowsDirectory() + "\\kcoinst-absent.ax") +
      "File to register: C:\\absent\\readme.txt\n"
      "Path to File to register: C:\\absent\n"
      "MediaSourceDirectory - " +
      Folder() + "\n";
  const std::string log = Log();
  EXPECT_EQ(expected, log.substr(0, expected.size()));
  EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kTestKey, "Gone").Present);
  EXPECT_EQ(DwordBytes(1), ReadRegistryValue(HKEY_LOCAL_MACHINE, kTestKey, "Made").Bytes);
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, ServiceKey("VARERIze")));
}

TEST_F(CoInstallerTest, TheAudioFunctionRunsItsOwnSectionAndInstallsTheBandwidthMonitor) {
  KcoinstIni ini(IniSectionText("KorvCamVideo", {"103,NO_ZADezozez"}) +
                 IniSectionText("KorvCamAudio", {"103,no_zadezozez"}));
  CameraPackage audio;
  audio.function = CameraFunction::Audio;
  ASSERT_READY(Device(audio));

  EXPECT_EQ(static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUESTED), Call(DIF_INSTALLDEVICE));

  const std::string expected = "--- DIF_INSTALLDEVICE (Pro-processing) ----\n" +
                               SectionOpening("KorvCamAudio") +
                               "Install Module check. no_zadezozez\n"
                               "Unknow ModuleName:no_zadezozez \n"
                               "Install bandwidth monitor.\n"
                               "MediaSourceDirectory - " +
                               Folder() + "\n";
  const std::string log = Log();
  EXPECT_EQ(expected, log.substr(0, expected.size()));
  EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, ServiceKey("VARERIze")));
}

}  // namespace
