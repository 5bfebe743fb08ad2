// Pre-processing runs the kcoinst.ini section named like the selected driver's install
// section, on a real device, before it starts the value-add installer.
#include <gtest/gtest.h>

#include "entry/coinstaller_fixture.h"
#include "support/kcoinst_ini.h"
#include "support/registry.h"

namespace {

const char kTestKey[] = "SOFTWARE\\KcoinstDriverSectionTest";

// The opening lines of a section run.
std::string Opening(const std::string &section) {
  return "Windows system directory: " + SystemDirectory() + "\n" +
         "Windows directory: " + WindowsDirectory() + "\n" +
         "INI file to use: " + SystemFile("kcoinst.ini") + "\n" +
         "Section to register: " + section + "\n";
}

std::string RegisteringDll(const std::string &directory, const std::string &name) {
  const std::string path = directory + "\\" + name;
  return "File to register: " + path + "\nPath to File to register: " + directory +
         "\nFile to register is a DLL or AX\nRegister DLL: file = " + path + "\n";
}

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
  const std::string expected = "--- DIF_INSTALLDEVICE (Pro-processing) ----\n" +
                               Opening("KorvCamVideo") + RegisteringDll(sys, "kcoinst-absent.dll") +
                               "DisableAutoPlay: Going to Access RIDORA to disable Autoplay \n"
                               "DeleteRegKeyHKLM: " +
                               key +
                               "\\Gone \n"
                               "Calling CopyHIDUSBDriver()...\n"
                               "Copying File \n"
                               "From: " +
                               sys +
                               "\\hidusb.sys\n"
                               "To: " +
                               sys +
                               "\\Drivers\\hidusb.sys\n"
                               "SHFileOperation() operation Failed... Result - 1026\n"
                               "CreateRegKeyHKLM: " +
                               key +
                               "\\Made \n"
                               "Install Module check. NO_ZADezozez\n"
                               "Will not Install ZADezozez.\n" +
                               RegisteringDll(WindowsDirectory(), "kcoinst-absent.ax") +
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
                               Opening("KorvCamAudio") +
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
