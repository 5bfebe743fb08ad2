// Built once per Windows version: KCOINST_TEST_VERSION is the version (0x0500, 0x0501,
// 0x0601) that Wine reports to this executable.
#include <gtest/gtest.h>

#include <string>

#include "support/logged_context.h"
#include "actions/ini_section.h"
#include "support/iat_patch.h"
#include "support/filter_registry.h"
#include "support/kcoinst_ini.h"
#include "support/recorder.h"
#include "support/ridora.h"

namespace {

constexpr bool kWindows2000 = KCOINST_TEST_VERSION == 0x0500;
constexpr bool kWindowsXP = KCOINST_TEST_VERSION == 0x0501;

TEST(WindowsVersionTest, WineReportsTheVersionOfThisExecutable) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExA(&version));
  EXPECT_EQ(KCOINST_TEST_VERSION,
            static_cast<int>(version.dwMajorVersion << 8 | version.dwMinorVersion));
  EXPECT_EQ(kWindows2000 ? 1 : 0, IsWindows2000());
  EXPECT_EQ(kWindowsXP ? 1 : 0, IsWindowsXP());
}

BOOL WINAPI FailingVersion(LPOSVERSIONINFOA) {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

TEST(WindowsVersionTest, AFailedQueryIsNeitherVersion) {
  ImportPatch patch(GetModuleHandleA(nullptr), "kernel32.dll", "GetVersionExA",
                    reinterpret_cast<void *>(FailingVersion));
  ASSERT_TRUE(patch.Active());
  const int32_t windows2000 = IsWindows2000(), windowsXP = IsWindowsXP();
  EXPECT_EQ(0, windows2000);
  EXPECT_EQ(0, windowsXP);
}

class SystemKeywordTest : public ::testing::Test, public LoggedActionTest {
 protected:
  FilterRegistrySnapshot filters_;
};

TEST_F(SystemKeywordTest, EachKeywordActsOnItsOwnVersionOnly) {
  RegisteredRidora ridora;
  ASSERT_TRUE(ridora.Registered());
  ASSERT_TRUE(CreateRegistryKey(HKEY_LOCAL_MACHINE, ClassKey(kVolumeClass)));
  ProgramRecord record;
  KcoinstIni ini(IniSectionText(
      "Keywords", {"99,DisableAutoPlay", "99,DisableUnsafeDialog", "103,NO_ZADezozez"}));
  EXPECT_EQ(1, ProcessIniSection(&context_, "Keywords"));
  const std::string log = Log();
  EXPECT_NE(std::string::npos,
            log.find(Stored("DisableAutoPlay: Going to Access RIDORA to disable Autoplay \n"
                            "DisableUnsafeDialog: Going to Set Registry settings to disable "
                            "unsafe dialog removal\n")))
      << log;
  EXPECT_EQ(kWindowsXP ? std::vector<std::string>{"RIDORA|slot 8|1"} : std::vector<std::string>{},
            record.Lines(kWindowsXP ? 1 : 0, kWindowsXP ? 10000 : 500));
  EXPECT_EQ(kWindows2000, RegistryKeyExists(HKEY_LOCAL_MACHINE, ServiceKey("RiRazAri")));
  EXPECT_EQ(kWindows2000,
            ReadRegistryValue(HKEY_LOCAL_MACHINE, ClassKey(kVolumeClass), "UpperFilters").Bytes ==
                std::string("RiRazAri\0\0", 10));
}

}  // namespace
