// kcoinst.dll loaded as SetupAPI and rundll32 load it.
#include <gtest/gtest.h>

#include "support/iat_patch.h"
#include "support/kcoinst_dll.h"
#include "support/wine_files.h"

namespace {

DWORD WINAPI FailingWaitEx(DWORD, const HANDLE *, BOOL, DWORD, BOOL) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

class DllTest : public ::testing::Test {
 protected:
  FreshLog log_;
  KcoinstDll dll_;
};

TEST_F(DllTest, ExportsBothEntries) {
  ASSERT_NE(nullptr, dll_.Module());
  EXPECT_NE(nullptr, dll_.CoInstaller());
  EXPECT_NE(nullptr, dll_.Setup());
}

TEST_F(DllTest, TheFirstCallForADeviceSetCreatesItsContextAndOpensTheLog) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, set);
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(static_cast<DWORD>(NO_ERROR),
            dll_.CoInstaller()(DIF_SELECTBESTCOMPATDRV, set, nullptr, nullptr));
  EXPECT_TRUE(FileExists(SystemFile("kcoinst.log")));
  dll_.Unload();  // the unload sweep closes the context's stream
  EXPECT_EQ("", log_.Text());
  SetupDiDestroyDeviceInfoList(set);
}

TEST_F(DllTest, NoContextMeansEFailAndNoLog) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  DWORD answer;
  {
    ImportPatch wait(dll_.Module(), "kernel32.dll", "WaitForMultipleObjectsEx",
                     reinterpret_cast<void *>(FailingWaitEx));
    ASSERT_TRUE(wait.Active());
    answer = dll_.CoInstaller()(DIF_INSTALLDEVICE, set, nullptr, nullptr);
  }
  EXPECT_EQ(static_cast<DWORD>(E_FAIL), answer);
  EXPECT_FALSE(FileExists(SystemFile("kcoinst.log")));
  SetupDiDestroyDeviceInfoList(set);
}

TEST_F(DllTest, SetupEntryPointRunsInAContextOfItsOwn) {
  char section[] = "Nothing";
  dll_.Setup()(nullptr, dll_.Module(), section, SW_SHOWNORMAL);
  EXPECT_TRUE(FileExists(SystemFile("kcoinst.log")));
}

}  // namespace
