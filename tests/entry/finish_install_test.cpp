// The two finish-install routes: before Vista the request is remembered in the install
// context until DIF_DESTROYPRIVATEDATA; from Vista on SetupAPI is asked for
// DIF_FINISHINSTALL_ACTION. KCOINST_VISTA_ROUTE says which route this executable's Windows
// version takes.
#include <gtest/gtest.h>

#include "entry/coinstaller_fixture.h"
#include "entry/windows_records.h"
#include "support/iat_patch.h"

namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }
constexpr bool kVistaRoute = KCOINST_VISTA_ROUTE != 0;

DWORD FlagsEx(CameraDevice &device) {
  SP_DEVINSTALL_PARAMS_A params = {};
  params.cbSize = sizeof(params);
  EXPECT_TRUE(SetupDiGetDeviceInstallParamsA(device.Set(), device.Data(), &params));
  return params.FlagsEx;
}

BOOL WINAPI FailingGetVersionEx(LPOSVERSIONINFOA) {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
DWORD injectedError;
BOOL WINAPI FailingInstallParams(HDEVINFO, PSP_DEVINFO_DATA, PSP_DEVINSTALL_PARAMS_A) {
  SetLastError(injectedError);
  return FALSE;
}

TEST(IsVistaOrLaterTest, FollowsTheReportedMajorVersionAndIsZeroWhenItCannotBeHad) {
  EXPECT_EQ(kVistaRoute ? 1 : 0, IsVistaOrLater());
  ImportPatch version(Self(), "kernel32.dll", "GetVersionExA",
                      reinterpret_cast<void *>(FailingGetVersionEx));
  ASSERT_TRUE(version.Active());
  EXPECT_EQ(0, IsVistaOrLater());
}

TEST_F(CoInstallerTest, FinishInstallTakesTheRouteOfTheWindowsVersion) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  ASSERT_EQ(0u, FlagsEx(device) & DI_FLAGSEX_FINISHINSTALL_ACTION);
  EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Call(DIF_NEWDEVICEWIZARD_FINISHINSTALL));
  InstallContext *context = FindContext(device.Set());
  ASSERT_NE(nullptr, context);
  if (kVistaRoute) {
    EXPECT_NE(0u, FlagsEx(device) & DI_FLAGSEX_FINISHINSTALL_ACTION);
    EXPECT_EQ(0, context->FinishInstallPending);
  } else {
    EXPECT_EQ(0u, FlagsEx(device) & DI_FLAGSEX_FINISHINSTALL_ACTION);
    EXPECT_EQ(1, context->FinishInstallPending);
  }
  EXPECT_EQ("---- DIF_NEWDEVICEWIZARD_FINISHINSTALL ----\n", Log());
}

TEST_F(CoInstallerTest, TheFinishInstallRequestLastsUntilDestroyPrivateDataEndsTheContext) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  Call(DIF_NEWDEVICEWIZARD_FINISHINSTALL);
  Call(DIF_INSTALLINTERFACES);
  InstallContext *context = FindContext(device.Set());
  ASSERT_NE(nullptr, context);
  EXPECT_EQ(kVistaRoute ? 0 : 1, context->FinishInstallPending);

  EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Call(DIF_DESTROYPRIVATEDATA));
  EXPECT_EQ(nullptr, FindContext(device.Set()));
  EXPECT_EQ(0u, ContextCount);
  // The next call with the same handle starts afresh.
  Call(DIF_SELECTBESTCOMPATDRV);
  context = FindContext(device.Set());
  ASSERT_NE(nullptr, context);
  EXPECT_EQ(0, context->FinishInstallPending);
  EXPECT_EQ(
      "---- DIF_NEWDEVICEWIZARD_FINISHINSTALL ----\n"
      "--------- DIF_DESTROYPRIVATEDATA ----------\n",
      Log());
}

TEST_F(CoInstallerTest, InstallParametersThatCannotBeReadOrWrittenAreLogged) {
  struct ParamsFailure {
    const char *function;
    DWORD error;
    const char *logged;
  };
  const ParamsFailure failures[] = {
      {"SetupDiGetDeviceInstallParamsA", ERROR_INVALID_HANDLE,
       "Failed to get install params (0x00000006)\n"},
      {"SetupDiSetDeviceInstallParamsA", ERROR_INVALID_DATA,
       "Failed to set install params (0x0000000d)\n"},
  };
  CameraDevice &device = Device();
  ASSERT_READY(device);
  for (const ParamsFailure &failure : failures) {
    SCOPED_TRACE(failure.function);
    injectedError = failure.error;
    DWORD answer;
    {
      ImportPatch patch(Self(), "setupapi.dll", failure.function,
                        reinterpret_cast<void *>(FailingInstallParams));
      ASSERT_TRUE(patch.Active());
      answer = Call(DIF_NEWDEVICEWIZARD_FINISHINSTALL);
    }
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), answer);
    EXPECT_EQ(std::string("---- DIF_NEWDEVICEWIZARD_FINISHINSTALL ----\n") +
                  (kVistaRoute ? failure.logged : ""),
              Log());
    EXPECT_EQ(0u, FlagsEx(device) & DI_FLAGSEX_FINISHINSTALL_ACTION);
    DeleteFileA(SystemFile("kcoinst.log").c_str());
  }
}

TEST_F(CoInstallerTest, TheWholeRoadOfOneInstallationAnswersAsSetupApiExpects) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Call(DIF_INSTALLINTERFACES));
  EXPECT_EQ(0xE0000226, Call(DIF_INSTALLDEVICE));
  EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Call(DIF_INSTALLDEVICE, TRUE));
  EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Call(DIF_NEWDEVICEWIZARD_FINISHINSTALL));
  const bool actionRequested = (FlagsEx(device) & DI_FLAGSEX_FINISHINSTALL_ACTION) != 0;
  EXPECT_EQ(kVistaRoute, actionRequested);
  if (actionRequested) {
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Call(DIF_FINISHINSTALL_ACTION));
  }
  EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Call(DIF_DESTROYPRIVATEDATA));
  EXPECT_EQ(0u, ContextCount);

  std::string banners;
  const std::string log = Log();
  for (size_t at = 0; (at = log.find("---", at)) != std::string::npos;) {
    const size_t end = log.find('\n', at);
    banners += log.substr(at, end - at + 1);
    at = end;
  }
  EXPECT_EQ(std::string("--- DIF_INSTALLDEVICE (Pro-processing) ----\n"
                        "--- DIF_INSTALLDEVICE (Post-processing) ---\n"
                        "---- DIF_NEWDEVICEWIZARD_FINISHINSTALL ----\n") +
                (kVistaRoute ? "-------- DIF_FINISHINSTALL_ACTION ---------\n" : "") +
                "--------- DIF_DESTROYPRIVATEDATA ----------\n",
            banners);
}

}  // namespace
