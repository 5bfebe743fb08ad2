#include "actions/ini_section.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/logged_context.h"
#include "support/filter_registry.h"
#include "support/iat_patch.h"
#include "support/kcoinst_ini.h"
#include "support/recorder.h"
#include "support/registry.h"
#include "support/section_log.h"
#include "support/ridora.h"

namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }

const char kTestKey[] = "SOFTWARE\\KcoinstActionTest";

class IniSectionTest : public ::testing::Test, public LoggedActionTest {
 protected:
  bool BandwidthMonitorInstalled() {
    return RegistryKeyExists(HKEY_LOCAL_MACHINE, ServiceKey("VARERIze"));
  }
  FilterRegistrySnapshot filters_;
  SetAside hidSource_{SystemFile("hidusb.sys")};
};

TEST_F(IniSectionTest, EveryActionCodeRunsInTheOrderOfTheSection) {
  RegistrySnapshot testKey(HKEY_LOCAL_MACHINE, kTestKey);
  ASSERT_TRUE(CreateRegistryKey(HKEY_LOCAL_MACHINE, kTestKey));
  ASSERT_TRUE(
      WriteRegistryValue(HKEY_LOCAL_MACHINE, kTestKey, "Gone", REG_SZ, std::string("x\0", 2)));
  RegisteredRidora ridora;
  ASSERT_TRUE(ridora.Registered());
  ScratchDirectory scratch;
  const std::string component = scratch.File("component.exe");
  const std::string bare = scratch.File("bare.exe");
  ASSERT_TRUE(PlaceRecorder(component));
  ASSERT_TRUE(PlaceRecorder(bare));
  ProgramRecord record;
  const std::string key = kTestKey;
  KcoinstIni ini(IniSectionText(
      "Every", {"11,kcoinst-absent.dll", "10,kcoinst-absent.ax", "99,DisableAutoPlay",
                "99,DisableUnsafeDialog", "100," + key + "\\Gone", "101,CopyHIDUSBDriver",
                "102," + key + "\\Made", "103,OtherModule", "12," + component, bare, "42"}));

  EXPECT_EQ(1, ProcessIniSection(&context_, "Every"));

  const std::string sys = SystemDirectory();
  const std::string win = WindowsDirectory();
  EXPECT_EQ(Stored(SectionOpening("Every") + RegisteringDllLines(sys + "\\kcoinst-absent.dll") +
                   RegisteringDllLines(win + "\\kcoinst-absent.ax") +
                   "DisableAutoPlay: Going to Access RIDORA to disable Autoplay \n"
                   "DisableUnsafeDialog: Going to Set Registry settings to disable unsafe "
                   "dialog removal\n"
                   "DeleteRegKeyHKLM: " +
                   key + "\\Gone \n" + MissingHidCopyLines() + "CreateRegKeyHKLM: " + key +
                   "\\Made \n"
                   "Install Module check. OtherModule\n"
                   "Unknow ModuleName:OtherModule \n" +
                   RegisteringLines(component) + "Register EXE: file = " + component + "\n" +
                   RegisteringLines(bare) + "Register EXE: file = " + bare + "\n" +
                   RegisteringLines("42") + "Install bandwidth monitor.\n"),
            Log());

  EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kTestKey, "Gone").Present);
  const RegistryValue made = ReadRegistryValue(HKEY_LOCAL_MACHINE, kTestKey, "Made");
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), made.Type);
  EXPECT_EQ(DwordBytes(1), made.Bytes);
  EXPECT_TRUE(BandwidthMonitorInstalled());
  // Windows XP: the AutoPlay server was reached; the storage filter is for Windows 2000.
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, ServiceKey("RiRazAri")));
  // The started programs run on their own: their lines come in any order.
  std::vector<std::string> lines = record.Lines(3);
  std::vector<std::string> expected = {"RIDORA|slot 8|1", bare + "|\"" + bare + "\" /REGSERVER",
                                       component + "|\"" + component + "\" /REGSERVER"};
  std::sort(lines.begin(), lines.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, lines);
}

struct LineCase {
  const char *name;
  std::vector<std::string> lines;
  std::string messages;  // after the opening lines, before the bandwidth monitor's
};

class IniSectionLineTest : public IniSectionTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(IniSectionLineTest, TakesCodesAndArgumentsAsWritten) {
  KcoinstIni ini(IniSectionText("Lines", GetParam().lines));
  EXPECT_EQ(1, ProcessIniSection(&context_, "Lines"));
  EXPECT_EQ(Stored(SectionOpening("Lines") + GetParam().messages + "Install bandwidth monitor.\n"),
            Log());
}

INSTANTIATE_TEST_SUITE_P(
    Sections, IniSectionLineTest,
    ::testing::Values(
        LineCase{"BlankAfterTheCommaJoinsThePath",
                 {"11, sub,x.txt"},
                 RegisteringLines(SystemDirectory() + "\\ sub,x.txt")},
        LineCase{"WindowsDirectoryInFront",
                 {"10,a\\b.txt"},
                 RegisteringLines(WindowsDirectory() + "\\a\\b.txt")},
        LineCase{"UnknownCodeTakesTheArgumentAsWritten", {"12,x.txt"}, RegisteringLines("x.txt")},
        LineCase{"TextInsteadOfACodeIsCodeZero", {"abc,y.txt"}, RegisteringLines("y.txt")},
        LineCase{"NegativeCode", {"-11,z.txt"}, RegisteringLines("z.txt")},
        LineCase{"FurtherCommasStayInTheArgument", {"0,a,b.txt"}, RegisteringLines("a,b.txt")},
        LineCase{"ANumberAloneIsABarePath", {"11"}, RegisteringLines("11")},
        LineCase{"ABareLine", {"C:\\dir\\x.txt"}, RegisteringLines("C:\\dir\\x.txt")},
        LineCase{"OtherKeywordsLeaveNoTrace",
                 {"99, DisableAutoPlay", "99,disableautoplay", "99,DisableAuto", "101,Other",
                  "101,copyHIDUSBDriver"},
                 ""},
        LineCase{"KeywordsArePrefixes",
                 {"99,DisableUnsafeDialogs and more"},
                 "DisableUnsafeDialog: Going to Set Registry settings to disable unsafe dialog "
                 "removal\n"},
        LineCase{"RegistryLinesAreLoggedEvenWhenNothingIsThere",
                 {"100,SOFTWARE\\KcoinstAbsent\\Value", "102,NoBackslash"},
                 "DeleteRegKeyHKLM: SOFTWARE\\KcoinstAbsent\\Value \n"
                 "CreateRegKeyHKLM: NoBackslash \n"},
        LineCase{
            "ALongDirectoryPathIsCutTo259Characters",
            {"11," + std::string(300, 'a') + ".dll"},
            RegisteringLines((SystemDirectory() + "\\" + std::string(300, 'a')).substr(0, 259))}),
    [](const ::testing::TestParamInfo<LineCase> &info) { return std::string(info.param.name); });

struct MonitorCase {
  const char *name;
  std::vector<std::string> lines;
  bool installed;
};

class BandwidthMonitorTest : public IniSectionTest,
                             public ::testing::WithParamInterface<MonitorCase> {};

TEST_P(BandwidthMonitorTest, IsInstalledUnlessASectionLineSaysNo) {
  KcoinstIni ini(IniSectionText("Monitor", GetParam().lines));
  EXPECT_EQ(1, ProcessIniSection(&context_, "Monitor"));
  const std::string log = Log();
  EXPECT_EQ(GetParam().installed,
            log.find(Stored("Install bandwidth monitor.\n")) != std::string::npos);
  EXPECT_EQ(!GetParam().installed,
            log.find(Stored("Will not Install ZADezozez.\n")) != std::string::npos);
  EXPECT_EQ(GetParam().installed, BandwidthMonitorInstalled());
}

INSTANTIATE_TEST_SUITE_P(
    Sections, BandwidthMonitorTest,
    ::testing::Values(MonitorCase{"First", {"103,NO_ZADezozez", "12,x.txt"}, false},
                      MonitorCase{"Last", {"12,x.txt", "103,NO_ZADezozez"}, false},
                      MonitorCase{"LongerName", {"103,NO_ZADezozezPlus"}, false},
                      MonitorCase{"Twice", {"103,NO_ZADezozez", "103,NO_ZADezozez"}, false},
                      MonitorCase{"LowerCase", {"103,no_zadezozez"}, true},
                      MonitorCase{"BlankInFront", {"103, NO_ZADezozez"}, true},
                      MonitorCase{"OtherCode", {"102,NO_ZADezozez"}, true},
                      MonitorCase{"BareLine", {"NO_ZADezozez"}, true}),
    [](const ::testing::TestParamInfo<MonitorCase> &info) { return std::string(info.param.name); });

TEST_F(IniSectionTest, NoZadezozezIsLoggedWithTheModuleCheck) {
  KcoinstIni ini(IniSectionText("Quiet", {"103,NO_ZADezozez"}));
  EXPECT_EQ(1, ProcessIniSection(&context_, "Quiet"));
  EXPECT_EQ(Stored(SectionOpening("Quiet") + "Install Module check. NO_ZADezozez\n"
                                             "Will not Install ZADezozez.\n"),
            Log());
  EXPECT_FALSE(BandwidthMonitorInstalled());
}

TEST_F(IniSectionTest, AMissingFileStillInstallsTheBandwidthMonitor) {
  SetAside noIni(KcoinstIni::Path());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, KcoinstIni::Path().c_str());
  EXPECT_EQ(0, ProcessIniSection(&context_, "Absent"));
  EXPECT_EQ(Stored(SectionOpening("Absent") + "Section Absent not found !\n"
                                              "Install bandwidth monitor.\n"),
            Log());
  EXPECT_TRUE(BandwidthMonitorInstalled());
}

TEST_F(IniSectionTest, AMissingOrEmptySectionStillInstallsTheBandwidthMonitor) {
  KcoinstIni ini(IniSectionText("Other", {"103,NO_ZADezozez"}) + IniSectionText("Empty", {}));
  EXPECT_EQ(0, ProcessIniSection(&context_, "Absent"));
  EXPECT_EQ(0, ProcessIniSection(&context_, "Empty"));
  EXPECT_EQ(Stored(SectionOpening("Absent") +
                   "Section Absent not found !\n"
                   "Install bandwidth monitor.\n" +
                   SectionOpening("Empty") +
                   "Section Empty not found !\n"
                   "Install bandwidth monitor.\n"),
            Log());
  EXPECT_TRUE(BandwidthMonitorInstalled());
}

TEST_F(IniSectionTest, ALongSectionRunsTheLinesThatWereStoredWhole) {
  // Lines of 29 characters and their NULs: 16 of them (496 characters) end before the 498th, the
  // 17th is cut, and the refusal of the bandwidth monitor after it is never read.
  std::vector<std::string> lines;
  for (int i = 0; i < 20; ++i) {
    char line[32];
    snprintf(line, sizeof(line), "103,Module%02d-%016d", i, i);
    lines.push_back(line);
  }
  lines.push_back("103,NO_ZADezozez");
  std::string text = "[Long]\r\n";
  for (const std::string &line : lines) text += line + "\r\n";
  KcoinstIni ini(text);
  EXPECT_EQ(1, ProcessIniSection(&context_, "Long"));
  std::string expected = SectionOpening("Long");
  for (int i = 0; i < 16; ++i) {
    const std::string name = lines[i].substr(4);
    expected += "Install Module check. " + name + "\nUnknow ModuleName:" + name + " \n";
  }
  EXPECT_EQ(Stored(expected + "Install bandwidth monitor.\n"), Log());
  EXPECT_TRUE(BandwidthMonitorInstalled());
}

TEST_F(IniSectionTest, ALineLongerThan259CharactersIsHeldWhole) {
  // The argument handed on in place is whole; an argument copied to the work buffer keeps
  // 259 characters.
  const std::string path = "C:\\" + std::string(270, 'p') + "\\long.txt";
  KcoinstIni ini(IniSectionText("Wide", {"12," + path}) +
                 IniSectionText("Work", {"103," + std::string(270, 'm')}));
  EXPECT_EQ(1, ProcessIniSection(&context_, "Wide"));
  EXPECT_EQ(1, ProcessIniSection(&context_, "Work"));
  const std::string module(259, 'm');
  EXPECT_EQ(
      Stored(SectionOpening("Wide") + RegisteringLines(path) + "Install bandwidth monitor.\n" +
             SectionOpening("Work") + "Install Module check. " + module +
             "\nUnknow ModuleName:" + module + " \nInstall bandwidth monitor.\n"),
      Log());
}

UINT WINAPI NoWindowsDirectory(LPSTR, UINT) {
  SetLastError(ERROR_PATH_NOT_FOUND);
  return 0;
}

UINT WINAPI RealWindowsDirectory(LPSTR buffer, UINT size) {
  return RealFunction<UINT(WINAPI *)(LPSTR, UINT)>("kernel32.dll", "GetWindowsDirectoryA")(buffer,
                                                                                           size);
}

UINT WINAPI TooLongWindowsDirectory(LPSTR, UINT size) { return size + 20; }

struct DirectoryFailure {
  const char *name;
  const char *systemDirectory;  // empty: GetSystemDirectoryA fails; none: the real one
  UINT(WINAPI *windowsDirectory)(LPSTR, UINT);  // in place of GetWindowsDirectoryA
};

class IniSectionDirectoryTest : public IniSectionTest,
                                public ::testing::WithParamInterface<DirectoryFailure> {};

TEST_P(IniSectionDirectoryTest, AnUnreadableDirectorySkipsTheSectionButNotTheMonitor) {
  KcoinstIni ini(IniSectionText("Dirs", {"103,NO_ZADezozez"}));
  int32_t result;
  OpenLog();
  {
    FakeSystemDirectory system(Self(), GetParam().systemDirectory ? GetParam().systemDirectory
                                                                  : SystemDirectory().c_str());
    ImportPatch windows(Self(), "kernel32.dll", "GetWindowsDirectoryA",
                        reinterpret_cast<const void *>(GetParam().windowsDirectory));
    ASSERT_TRUE(windows.Active());
    result = ProcessIniSection(&context_, "Dirs");
  }
  EXPECT_EQ(0, result);
  EXPECT_EQ(Stored("GetWindowsDirectory() failed !\nInstall bandwidth monitor.\n"), Log());
  EXPECT_TRUE(BandwidthMonitorInstalled());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, IniSectionDirectoryTest,
    ::testing::Values(DirectoryFailure{"SystemDirectory", "", RealWindowsDirectory},
                      DirectoryFailure{"WindowsDirectory", nullptr, NoWindowsDirectory},
                      DirectoryFailure{"Both", "", NoWindowsDirectory},
                      DirectoryFailure{"WindowsDirectoryTooLong", nullptr,
                                       TooLongWindowsDirectory}),
    [](const ::testing::TestParamInfo<DirectoryFailure> &info) {
      return std::string(info.param.name);
    });

}  // namespace
