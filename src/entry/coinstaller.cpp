// The co-installer entry that SetupAPI calls for each device installation function.
#include "entry/coinstaller.h"

#include <shellapi.h>

#include <cstring>

#include "actions/ini_section.h"
#include "diag/bounded_string.h"
#include "diag/log.h"
#include "entry/install_context.h"
#include "entry/media_path.h"
#include "entry/windows_records.h"

namespace {

constexpr char kValueAddInstaller[] = "krvalueadd.exe";
constexpr DWORD kUsEnglish = 0x409;

// Starts the value-add installer that ships in the folder the driver is installed from.
void LaunchValueAddInstaller(InstallContext *context, HDEVINFO DeviceInfoSet,
                             PSP_DEVINFO_DATA DeviceInfoData) {
  char path[MAX_PATH];
  if (!GetMediaSourceDirectory(DeviceInfoSet, DeviceInfoData, path)) {
    LogPrint(context, " Failed to get Media Source Directory \n");
    return;
  }
  LogPrint(context, "MediaSourceDirectory - %s\n", path);
  // The folder already ends in a backslash. A cut path would start some other file.
  if (JoinWhole(path, sizeof(path), kValueAddInstaller) != kStrOk) {
    LogPrint(context, "Not launching %s: the path would exceed %u characters\n", kValueAddInstaller,
             static_cast<unsigned>(sizeof(path) - 1));
    return;
  }
  LogPrint(context, "Launching - %s\n", path);
  LaunchFile(context, path, nullptr);
}

// Asks SetupAPI for DIF_FINISHINSTALL_ACTION once the wizard has finished.
void RequestFinishInstallAction(InstallContext *context, HDEVINFO DeviceInfoSet,
                                PSP_DEVINFO_DATA DeviceInfoData) {
  SP_DEVINSTALL_PARAMS_A params;
  memset(&params, 0, sizeof(params));
  params.cbSize = sizeof(params);
  if (!SetupDiGetDeviceInstallParamsA(DeviceInfoSet, DeviceInfoData, &params)) {
    LogPrint(context, "Failed to get install params (0x%08x)\n",
             static_cast<unsigned>(GetLastError()));
    return;
  }
  params.FlagsEx |= DI_FLAGSEX_FINISHINSTALL_ACTION;
  if (!SetupDiSetDeviceInstallParamsA(DeviceInfoSet, DeviceInfoData, &params)) {
    LogPrint(context, "Failed to set install params (0x%08x)\n",
             static_cast<unsigned>(GetLastError()));
  }
}

// The install actions that are still to come join the dispatch at the marked places.

// DIF_INSTALLDEVICE before the class installer.
DWORD PreInstallDevice(InstallContext *context, HDEVINFO DeviceInfoSet,
                       PSP_DEVINFO_DATA DeviceInfoData) {
  LogPrint(context, "--- DIF_INSTALLDEVICE (Pro-processing) ----\n");
  ProcessDriverSection(context, DeviceInfoSet, DeviceInfoData);
  // here: RestoreProtectedFiles(context, 0);
  // here: LaunchRegisteredApp(context, DeviceInfoSet, DeviceInfoData, 0);
  LaunchValueAddInstaller(context, DeviceInfoSet, DeviceInfoData);
  // here: UpdateCodecs(context);
  return ERROR_DI_POSTPROCESSING_REQUESTED;
}

// DIF_INSTALLDEVICE after the class installer; its InstallResult is not examined.
DWORD PostInstallDevice(InstallContext *context, [[maybe_unused]] HDEVINFO DeviceInfoSet,
                        [[maybe_unused]] PSP_DEVINFO_DATA DeviceInfoData) {
  LogPrint(context, "--- DIF_INSTALLDEVICE (Post-processing) ---\n");
  if (!IsVistaOrLater()) {
    // From Vista on the post-install programs wait for DIF_FINISHINSTALL_ACTION.
    // here: LaunchRegisteredApp(context, DeviceInfoSet, DeviceInfoData, 1);
  }
  // here: FixDeviceNames(DeviceInfoSet, DeviceInfoData);
  // here: UpdateCodecs(context);
  return NO_ERROR;
}

DWORD NewDeviceWizardFinishInstall(InstallContext *context, HDEVINFO DeviceInfoSet,
                                   PSP_DEVINFO_DATA DeviceInfoData) {
  LogPrint(context, "---- DIF_NEWDEVICEWIZARD_FINISHINSTALL ----\n");
  if (IsVistaOrLater()) {
    RequestFinishInstallAction(context, DeviceInfoSet, DeviceInfoData);
  } else {
    // Remembered until DIF_DESTROYPRIVATEDATA, which then starts the update checker.
    context->FinishInstallPending = 1;
  }
  return NO_ERROR;
}

DWORD FinishInstallAction(InstallContext *context, [[maybe_unused]] HDEVINFO DeviceInfoSet,
                          [[maybe_unused]] PSP_DEVINFO_DATA DeviceInfoData) {
  LogPrint(context, "-------- DIF_FINISHINSTALL_ACTION ---------\n");
  if (IsVistaOrLater()) {
    // here: LaunchRegisteredApp(context, DeviceInfoSet, DeviceInfoData, 1);
    // here: if (LaunchNetUpdForDeviceClass(context, DeviceInfoSet, DeviceInfoData))
    //         LaunchNetUpd(context, DeviceInfoSet, DeviceInfoData);
  }
  return NO_ERROR;
}

DWORD DestroyPrivateData(InstallContext *context, [[maybe_unused]] HDEVINFO DeviceInfoSet,
                         [[maybe_unused]] PSP_DEVINFO_DATA DeviceInfoData) {
  LogPrint(context, "--------- DIF_DESTROYPRIVATEDATA ----------\n");
  if (!IsVistaOrLater() && context->FinishInstallPending) {
    // The update checker, without asking about the device's class.
    // here: LaunchNetUpd(context, DeviceInfoSet, DeviceInfoData);
  }
  RemoveContext(context);
  return NO_ERROR;
}

}  // namespace

extern "C" DWORD CALLBACK DuZuZodadeduv(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                        PSP_DEVINFO_DATA DeviceInfoData,
                                        PCOINSTALLER_CONTEXT_DATA Context) {
  InstallContext *context = FindOrCreateContext(DeviceInfoSet);
  if (context == nullptr) return static_cast<DWORD>(E_FAIL);

  switch (InstallFunction) {
    case DIF_INSTALLDEVICE:
      if (Context != nullptr && Context->PostProcessing) {
        return PostInstallDevice(context, DeviceInfoSet, DeviceInfoData);
      }
      return PreInstallDevice(context, DeviceInfoSet, DeviceInfoData);
    case DIF_DESTROYPRIVATEDATA:
      return DestroyPrivateData(context, DeviceInfoSet, DeviceInfoData);
    case DIF_NEWDEVICEWIZARD_FINISHINSTALL:
      return NewDeviceWizardFinishInstall(context, DeviceInfoSet, DeviceInfoData);
    case DIF_FINISHINSTALL_ACTION:
      return FinishInstallAction(context, DeviceInfoSet, DeviceInfoData);
    default:
      return NO_ERROR;
  }
}

DriverDetailRead ReadSelectedDriverDetail(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                          SP_DRVINFO_DETAIL_DATA_A *detail, DWORD size) {
  SP_DRVINFO_DATA_V2_A driver;
  memset(&driver, 0, sizeof(driver));
  driver.cbSize = sizeof(driver);
  if (!SetupDiGetSelectedDriverA(DeviceInfoSet, DeviceInfoData,
                                 reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver))) {
    return DriverDetailRead::NoSelectedDriver;
  }
  detail->cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_A);
  // A long hardware-ID list does not fit; the fixed part is filled all the same.
  if (!SetupDiGetDriverInfoDetailA(DeviceInfoSet, DeviceInfoData,
                                   reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver), detail, size,
                                   nullptr) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return DriverDetailRead::NoDriverDetail;
  }
  detail->SectionName[sizeof(detail->SectionName) - 1] = '\0';
  detail->InfFileName[sizeof(detail->InfFileName) - 1] = '\0';
  return DriverDetailRead::Read;
}

int32_t ProcessDriverSection(InstallContext *context, HDEVINFO DeviceInfoSet,
                             PSP_DEVINFO_DATA DeviceInfoData) {
  SP_DRVINFO_DETAIL_DATA_A detail;
  memset(&detail, 0, sizeof(detail));
  switch (ReadSelectedDriverDetail(DeviceInfoSet, DeviceInfoData, &detail, sizeof(detail))) {
    case DriverDetailRead::Read:
      // The action section carries the name of the driver's INF install section.
      return ProcessIniSection(context, detail.SectionName);
    case DriverDetailRead::NoSelectedDriver:
      LogPrint(context, "Fail: SetupDiGetSelectedDriver. 0x%08X.\n",
               static_cast<unsigned>(GetLastError()));
      return 0;
    case DriverDetailRead::NoDriverDetail:
      LogPrint(context, "Fail: SetupDiGetDriverInfoDetail");
      return 0;
  }
  return 0;
}

int32_t GetMediaSourceDirectory(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                char *directory) {
  if (directory == nullptr) return 0;
  auto *detail = static_cast<SP_DRVINFO_DETAIL_DATA_A *>(
      GlobalAlloc(GMEM_FIXED, sizeof(SP_DRVINFO_DETAIL_DATA_A)));
  if (detail == nullptr) return 0;
  int32_t found = 0;
  if (ReadSelectedDriverDetail(DeviceInfoSet, DeviceInfoData, detail, sizeof(*detail)) ==
      DriverDetailRead::Read) {
    char *filePart = nullptr;
    const DWORD length = GetFullPathNameA(detail->InfFileName, MAX_PATH, directory, &filePart);
    // A path that did not fit, or one without a file part, names no folder.
    found =
        length != 0 && length < MAX_PATH && EndAtFilePart(directory, MAX_PATH, filePart) == kStrOk;
  }
  if (!found) directory[0] = '\0';
  GlobalFree(detail);
  return found;
}

int32_t IsVistaOrLater() {
  OSVERSIONINFOA version;
  if (!ReadOsVersion(&version)) return 0;
  return version.dwMajorVersion >= 6 ? 1 : 0;
}

HRESULT LaunchFile(InstallContext *context, const char *path, const char *option) {
  LogPrint(context, "Launching File %s with CommandLine Option - %s\n", path, option);
  SHELLEXECUTEINFOA info;
  memset(&info, 0, sizeof(info));
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpFile = path;
  info.lpParameters = option;
  info.nShow = SW_SHOWDEFAULT;
  if (ShellExecuteExA(&info)) return S_OK;

  const DWORD code = GetLastError();
  char text[MAX_PATH] = "(no system text)";
  // Inserts are left as they stand: there are no values to put in them.
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                 kUsEnglish, text, sizeof(text), nullptr);
  LogPrint(context, "Failed to lauch '%s'. ERROR 0x%08x> %s\n", path, static_cast<unsigned>(code),
           text);
  return HRESULT_FROM_WIN32(code);
}
