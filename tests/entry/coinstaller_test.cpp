// The co-installer entry on real devices from Wine's SetupAPI: answers and banners, the
// driver's install section, the value-add installer from the driver's folder, and the
// failures on the way. Built for each Windows version the tests run as.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "entry/coinstaller_fixture.h"
#include "support/iat_patch.h"

namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }
const DWORD kPostProcessingRequested = 0xE0000226;

bool EndsWith(const std::string &text, const std::string &tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
bool StartsWith(const std::string &text, const std::string &head) {
  return text.compare(0, head.size(), head) == 0;
}
std::string Lower(std::string text) {
  for (char &c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// Fault injection: each fake fails with the code in injectedError.
DWORD injectedError;
BOOL WINAPI FailingGetSelectedDriver(HDEVINFO, PSP_DEVINFO_DATA, PSP_DRVINFO_DATA_A) {
  SetLastError(injectedError);
  return FALSE;
}
BOOL WINAPI FailingGetDriverInfoDetail(HDEVINFO, PSP_DEVINFO_DATA, PSP_DRVINFO_DATA_A,
                                       PSP_DRVINFO_DETAIL_DATA_A, DWORD, PDWORD) {
  SetLastError(injectedError);
  return FALSE;
}
BOOL WINAPI FailingShellExecuteEx(SHELLEXECUTEINFOA *) {
  SetLastError(injectedError);
  return FALSE;
}
DWORD WINAPI FailingWaitEx(DWORD, const HANDLE *, BOOL, DWORD, BOOL) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}
void *__cdecl FailingMalloc(size_t) { return nullptr; }

// GetFullPathNameA answers that the tests choose.
enum class FullPathFake { NoFilePart, TooLong, Fails };
FullPathFake fullPathFake;
DWORD WINAPI FakeGetFullPathName(LPCSTR name, DWORD size, LPSTR buffer, LPSTR *filePart) {
  auto real = RealFunction<DWORD(WINAPI *)(LPCSTR, DWORD, LPSTR, LPSTR *)>("kernel32.dll",
                                                                           "GetFullPathNameA");
  switch (fullPathFake) {
    case FullPathFake::NoFilePart: {
      DWORD n = real(name, size, buffer, filePart);
      *filePart = nullptr;
      return n;
    }
    case FullPathFake::TooLong:
      return MAX_PATH + 40;
    case FullPathFake::Fails:
      SetLastError(ERROR_INVALID_NAME);
      return 0;
  }
  return 0;
}

// --- Answers and banners ---------------------------------------------------------------

struct HandledCode {
  DI_FUNCTION code;
  BOOL postProcessing;
  DWORD answer;
  const char *banner;
};
const HandledCode kHandledCodes[] = {
    {DIF_INSTALLDEVICE, FALSE, kPostProcessingRequested,
     "--- DIF_INSTALLDEVICE (Pro-processing) ----\n"},
    {DIF_INSTALLDEVICE, TRUE, NO_ERROR, "--- DIF_INSTALLDEVICE (Post-processing) ---\n"},
    {DIF_DESTROYPRIVATEDATA, FALSE, NO_ERROR, "--------- DIF_DESTROYPRIVATEDATA ----------\n"},
    {DIF_NEWDEVICEWIZARD_FINISHINSTALL, FALSE, NO_ERROR,
     "---- DIF_NEWDEVICEWIZARD_FINISHINSTALL ----\n"},
    {DIF_FINISHINSTALL_ACTION, FALSE, NO_ERROR, "-------- DIF_FINISHINSTALL_ACTION ---------\n"},
};

TEST_F(CoInstallerTest, EachHandledCodeWritesItsBannerFirstAndGetsItsAnswer) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  for (const HandledCode &handled : kHandledCodes) {
    SCOPED_TRACE(handled.banner);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(handled.answer, Call(handled.code, handled.postProcessing));
    const std::string log = Log();
    EXPECT_TRUE(StartsWith(log, handled.banner)) << log;
    EXPECT_EQ(std::string::npos, log.find("---", strlen(handled.banner))) << "one banner";
    DeleteFileA(SystemFile("kcoinst.log").c_str());
  }
}

TEST_F(CoInstallerTest, AnUnhandledCodeCreatesTheContextAndTheLogWritesNothingAndAnswersZero) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  const DI_FUNCTION unhandled[] = {DIF_SELECTBESTCOMPATDRV, DIF_INSTALLINTERFACES, DIF_REMOVE,
                                   DIF_ALLOW_INSTALL, 0x7777};
  for (DI_FUNCTION code : unhandled) {
    SCOPED_TRACE(code);
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Call(code));
    EXPECT_NE(nullptr, FindContext(device.Set()));
    EXPECT_TRUE(FileExists(SystemFile("kcoinst.log")));
    EXPECT_EQ("", Log());
  }
}

TEST_F(CoInstallerTest, WithoutAContextEveryCodeAnswersEFailAndNothingIsLoggedOrStarted) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  ASSERT_TRUE(PlaceRecorder(Folder() + "krvalueadd.exe"));
  ProgramRecord record;
  for (const HandledCode &handled : kHandledCodes) {
    SCOPED_TRACE(handled.banner);
    DWORD answer;
    {
      ImportPatch wait(Self(), "kernel32.dll", "WaitForMultipleObjectsEx",
                       reinterpret_cast<void *>(FailingWaitEx));
      ASSERT_TRUE(wait.Active());
      answer = Call(handled.code, handled.postProcessing);
    }
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), answer);
    {
      ImportPatch heap(Self(), "msvcrt.dll", "malloc", reinterpret_cast<void *>(FailingMalloc));
      answer = Call(handled.code, handled.postProcessing);
    }
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), answer);
    EXPECT_EQ(nullptr, FindContext(device.Set()));
  }
  EXPECT_FALSE(FileExists(SystemFile("kcoinst.log")));
  EXPECT_TRUE(record.Lines(1, 1000).empty());
}

// --- The driver's install section ------------------------------------------------------

TEST_F(CoInstallerTest, TheSelectedDriversSectionAndFolderAreFoundForBothFunctions) {
  for (CameraFunction function : {CameraFunction::Video, CameraFunction::Audio}) {
    CameraPackage package;
    package.function = function;
    CameraDevice &device = Device(package);
    ASSERT_READY(device);
    SP_DRVINFO_DETAIL_DATA_A detail = {};
    EXPECT_EQ(DriverDetailRead::Read,
              ReadSelectedDriverDetail(device.Set(), device.Data(), &detail, sizeof(detail)));
    EXPECT_STREQ(CameraInstallSection(function).c_str(), detail.SectionName);
    char directory[MAX_PATH];
    EXPECT_EQ(1, GetMediaSourceDirectory(device.Set(), device.Data(), directory));
    EXPECT_EQ(Lower(Folder()), Lower(directory));
  }
}

TEST_F(CoInstallerTest, AHardwareIdListTooLongForTheRecordStillYieldsTheSection) {
  CameraPackage package;
  for (int i = 0; i < 20; ++i) {
    package.hardwareIds.push_back("USB\\VID_1234&PID_0A1B&REV_01" + std::to_string(10 + i) +
                                  "&MI_00&WITH_A_LONG_TAIL_THAT_FILLS_THE_HARDWARE_ID_LIST");
  }
  CameraDevice &device = Device(package);
  ASSERT_READY(device);
  SP_DRVINFO_DATA_V2_A driver = {};
  driver.cbSize = sizeof(driver);
  ASSERT_TRUE(SetupDiGetSelectedDriverA(device.Set(), device.Data(),
                                        reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver)));
  DWORD required = 0;
  SetupDiGetDriverInfoDetailA(device.Set(), device.Data(),
                              reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver), nullptr, 0, &required);
  EXPECT_GT(required, 2000u) << "the record must not fit";
  SP_DRVINFO_DETAIL_DATA_A detail = {};
  EXPECT_EQ(DriverDetailRead::Read,
            ReadSelectedDriverDetail(device.Set(), device.Data(), &detail, sizeof(detail)));
  EXPECT_STREQ("KorvCamVideo", detail.SectionName);
  InstallContext *context = FindOrCreateContext(device.Set());
  ProcessDriverSection(context, device.Set(), device.Data());
  EXPECT_EQ(std::string::npos, Log().find("Fail: SetupDi"));
}

struct DriverFailure {
  const char *function;
  void *fake;
  DWORD error;
  DriverDetailRead read;
  const char *logged;
};

TEST_F(CoInstallerTest, FailuresToReadTheSelectedDriverAreLoggedAndRunNoSection) {
  const DriverFailure failures[] = {
      {"SetupDiGetSelectedDriverA", reinterpret_cast<void *>(FailingGetSelectedDriver),
       ERROR_NO_DRIVER_SELECTED, DriverDetailRead::NoSelectedDriver,
       "Fail: SetupDiGetSelectedDriver. 0xE0000203.\n"},
      {"SetupDiGetDriverInfoDetailA", reinterpret_cast<void *>(FailingGetDriverInfoDetail),
       ERROR_INVALID_USER_BUFFER, DriverDetailRead::NoDriverDetail,
       "Fail: SetupDiGetDriverInfoDetail"},
  };
  CameraDevice &device = Device();
  ASSERT_READY(device);
  for (const DriverFailure &failure : failures) {
    SCOPED_TRACE(failure.function);
    injectedError = failure.error;
    ImportPatch patch(Self(), "setupapi.dll", failure.function, failure.fake);
    ASSERT_TRUE(patch.Active());
    SP_DRVINFO_DETAIL_DATA_A detail = {};
    EXPECT_EQ(failure.read,
              ReadSelectedDriverDetail(device.Set(), device.Data(), &detail, sizeof(detail)));
    EXPECT_EQ(0,
              ProcessDriverSection(FindOrCreateContext(device.Set()), device.Set(), device.Data()));
    char directory[MAX_PATH];
    EXPECT_EQ(0, GetMediaSourceDirectory(device.Set(), device.Data(), directory));
    EXPECT_EQ(failure.logged, Log());
    DeleteFileA(SystemFile("kcoinst.log").c_str());
  }
}

TEST_F(CoInstallerTest, PreProcessingStillAsksForPostProcessingWhenTheDriverCannotBeRead) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  injectedError = ERROR_NO_DRIVER_SELECTED;
  DWORD answer;
  {
    ImportPatch patch(Self(), "setupapi.dll", "SetupDiGetSelectedDriverA",
                      reinterpret_cast<void *>(FailingGetSelectedDriver));
    answer = Call(DIF_INSTALLDEVICE);
  }
  EXPECT_EQ(kPostProcessingRequested, answer);
  EXPECT_EQ(
      "--- DIF_INSTALLDEVICE (Pro-processing) ----\n"
      "Fail: SetupDiGetSelectedDriver. 0xE0000203.\n"
      " Failed to get Media Source Directory \n",
      Log());
}

// --- The value-add installer -----------------------------------------------------------

TEST_F(CoInstallerTest, PreProcessingStartsTheValueAddInstallerInTheInfFolderWithNoOption) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  const std::string program = Folder() + "krvalueadd.exe";
  ASSERT_TRUE(PlaceRecorder(program));
  ProgramRecord record;
  EXPECT_EQ(kPostProcessingRequested, Call(DIF_INSTALLDEVICE));
  const std::string log = Log();
  EXPECT_TRUE(StartsWith(log, "--- DIF_INSTALLDEVICE (Pro-processing) ----\n")) << log;
  EXPECT_TRUE(EndsWith(log, "MediaSourceDirectory - " + Folder() + "\nLaunching - " + program +
                                "\nLaunching File " + program +
                                " with CommandLine Option - (null)\n"))
      << log;
  const auto lines = record.Lines(1);
  ASSERT_EQ(1u, lines.size());
  const size_t bar = lines[0].find('|');
  EXPECT_EQ(Lower(program), Lower(lines[0].substr(0, bar)));
  std::string commandLine = lines[0].substr(bar + 1);
  while (!commandLine.empty() && commandLine.back() == ' ') commandLine.pop_back();
  EXPECT_EQ(Lower("\"" + program + "\""), Lower(commandLine)) << "no option";
}

TEST_F(CoInstallerTest, AMissingValueAddInstallerIsLoggedWithTheSystemsText) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  const std::string program = Folder() + "krvalueadd.exe";
  EXPECT_EQ(kPostProcessingRequested, Call(DIF_INSTALLDEVICE));
  const std::string log = Log();
  EXPECT_TRUE(EndsWith(log, "Launching File " + program + " with CommandLine Option - (null)\n" +
                                "Failed to lauch '" + program + "'. ERROR 0x00000002> " +
                                SystemText(ERROR_FILE_NOT_FOUND) + "\n"))
      << log;
}

TEST_F(CoInstallerTest, AFolderWithoutRoomForTheProgramNameStartsNothing) {
  const size_t room = MAX_PATH - 1 - strlen("krvalueadd.exe");  // longest folder that fits
  for (size_t length : {room, room + 1, room + 7}) {            // room + 7: cam.inf just fits
    SCOPED_TRACE(length);
    // The folder, with its backslash, is exactly `length` characters long.
    const std::string folder = Folder() + std::string(length - Folder().size() - 1, 'd');
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    CameraDevice &device = DeviceIn(folder, CameraPackage());
    ASSERT_READY(device);
    const std::string program = folder + "\\krvalueadd.exe";
    const bool fits = length <= room;
    if (fits) {
      ASSERT_TRUE(PlaceRecorder(program));
    }
    ProgramRecord record;
    EXPECT_EQ(kPostProcessingRequested, Call(DIF_INSTALLDEVICE));
    const std::string log = Log();
    const std::string directoryLine = "MediaSourceDirectory - " + folder + "\\\n";
    if (fits) {
      EXPECT_TRUE(EndsWith(log, directoryLine + "Launching - " + program + "\nLaunching File " +
                                    program + " with CommandLine Option - (null)\n"))
          << log;
      EXPECT_EQ(1u, record.Lines(1).size());
    } else {
      EXPECT_TRUE(EndsWith(log, directoryLine +
                                    "Not launching krvalueadd.exe: the path would exceed 259 "
                                    "characters\n"))
          << log;
      EXPECT_TRUE(record.Lines(1, 500).empty());
    }
    device_.reset();
    RemoveTree(folder);
    DeleteFileA(SystemFile("kcoinst.log").c_str());
  }
}

TEST_F(CoInstallerTest, AFullPathThatNamesNoFileOrDoesNotFitGivesNoFolder) {
  CameraDevice &device = Device();
  ASSERT_READY(device);
  for (FullPathFake fake : {FullPathFake::NoFilePart, FullPathFake::TooLong, FullPathFake::Fails}) {
    SCOPED_TRACE(static_cast<int>(fake));
    fullPathFake = fake;
    int32_t found;
    DWORD answer;
    char directory[MAX_PATH] = "untouched";
    {
      ImportPatch patch(Self(), "kernel32.dll", "GetFullPathNameA",
                        reinterpret_cast<void *>(FakeGetFullPathName));
      ASSERT_TRUE(patch.Active());
      found = GetMediaSourceDirectory(device.Set(), device.Data(), directory);
      answer = Call(DIF_INSTALLDEVICE);
    }
    EXPECT_EQ(0, found);
    EXPECT_STREQ("", directory);
    EXPECT_EQ(kPostProcessingRequested, answer);
    EXPECT_TRUE(EndsWith(Log(), " Failed to get Media Source Directory \n"));
    DeleteFileA(SystemFile("kcoinst.log").c_str());
  }
}

// --- LaunchFile ------------------------------------------------------------------------

TEST_F(CoInstallerTest, LaunchFileStartsTheFileWithItsOptionAndDoesNotWait) {
  ScratchDirectory folder("kcoinst-launch");
  const std::string program = folder.File("tool.exe");
  ASSERT_TRUE(PlaceRecorder(program));
  ProgramRecord record;
  InstallContext *context = FindOrCreateContext(this);
  EXPECT_EQ(S_OK, LaunchFile(context, program.c_str(), "/quiet /x"));
  EXPECT_EQ("Launching File " + program + " with CommandLine Option - /quiet /x\n", Log());
  const auto lines = record.Lines(1);
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(EndsWith(lines[0], " /quiet /x")) << lines[0];
}

struct LaunchFailure {
  DWORD error;
  HRESULT result;
};

TEST_F(CoInstallerTest, LaunchFileReportsAFailureAsAnHresultAndLogsTheSystemsText) {
  const LaunchFailure failures[] = {
      {ERROR_FILE_NOT_FOUND, static_cast<HRESULT>(0x80070002)},
      {ERROR_NO_ASSOCIATION, static_cast<HRESULT>(0x80070483)},
      {0, S_OK},  // a failure without a code looks like a success
      {0x8007000E, static_cast<HRESULT>(0x8007000E)},  // negative: passed on as it is
  };
  const std::string program = Folder() + "missing.exe";
  for (const LaunchFailure &failure : failures) {
    SCOPED_TRACE(failure.error);
    injectedError = failure.error;
    HRESULT result;
    {
      ImportPatch patch(Self(), "shell32.dll", "ShellExecuteExA",
                        reinterpret_cast<void *>(FailingShellExecuteEx));
      ASSERT_TRUE(patch.Active());
      result = LaunchFile(FindOrCreateContext(this), program.c_str(), nullptr);
    }
    EXPECT_EQ(failure.result, result);
    char code[16];
    snprintf(code, sizeof(code), "0x%08x", static_cast<unsigned>(failure.error));
    std::string text = SystemText(failure.error);
    if (text.empty()) text = "(no system text)";
    EXPECT_EQ("Launching File " + program + " with CommandLine Option - (null)\n" +
                  "Failed to lauch '" + program + "'. ERROR " + code + "> " + text + "\n",
              Log());
    DeleteFileA(SystemFile("kcoinst.log").c_str());
  }
  // And the real thing: a file that is not there.
  EXPECT_EQ(static_cast<HRESULT>(0x80070002),
            LaunchFile(FindOrCreateContext(this), program.c_str(), nullptr));
}

}  // namespace
