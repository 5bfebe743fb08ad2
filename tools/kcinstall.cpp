// kcinstall: installs a device from a driver package the way Windows' SetupAPI does for
// the package's device co-installers, so that a co-installer can be tried under Wine.
//
// Wine's own SetupDiCallClassInstaller calls co-installers, but never makes the
// post-processing call and loads the DLL afresh for every call. kcinstall instead
//   - creates a root-enumerated device with the given hardware IDs and selects the best
//     driver of the package's INF for it;
//   - registers the driver's co-installers (the INF's <section>.CoInstallers: files and
//     the driver key's CoInstallers32) and loads each of them once for the installation;
//   - calls them for DIF_INSTALLINTERFACES, DIF_INSTALLDEVICE (pre-processing, the default
//     action SetupDiInstallDevice, then post-processing with InstallResult and the
//     co-installer's PrivateData for those that asked), DIF_NEWDEVICEWIZARD_FINISHINSTALL,
//     DIF_FINISHINSTALL_ACTION (from Windows Vista on, when a co-installer requested it) and
//     DIF_DESTROYPRIVATEDATA;
//   - prints each call with its answer, each program a co-installer starts, the lines the
//     installation added to kcoinst.log, and the device's driver key.
// The Windows version it acts as is the one Wine reports to it: set
// HKCU\Software\Wine\AppDefaults\kcinstall.exe\Version (win2k, winxp, vista, win7).
//
// usage: kcinstall [--remove] <package.inf> <hardware ID> [<hardware ID> ...]
//   --remove  removes the device again at the end (the files the package copied stay)
#include <windows.h>
#include <shellapi.h>
#include <setupapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "entry/windows_records.h"
#include "root_device.h"
#include "support/iat_patch.h"

namespace {

using CoInstallerEntry = DWORD(CALLBACK *)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                           PCOINSTALLER_CONTEXT_DATA);
using DefaultAction = BOOL(WINAPI *)(HDEVINFO, PSP_DEVINFO_DATA);

struct CoInstaller {
  std::string Entry;  // as CoInstallers32 names it: "dll[,function]"
  HMODULE Module = nullptr;
  CoInstallerEntry Function = nullptr;
  std::unique_ptr<ImportPatch> ShellWatch, ProcessWatch;
};

const char *DifName(DI_FUNCTION code) {
  switch (code) {
    case DIF_INSTALLINTERFACES:
      return "DIF_INSTALLINTERFACES";
    case DIF_INSTALLDEVICE:
      return "DIF_INSTALLDEVICE";
    case DIF_NEWDEVICEWIZARD_FINISHINSTALL:
      return "DIF_NEWDEVICEWIZARD_FINISHINSTALL";
    case DIF_FINISHINSTALL_ACTION:
      return "DIF_FINISHINSTALL_ACTION";
    case DIF_DESTROYPRIVATEDATA:
      return "DIF_DESTROYPRIVATEDATA";
    default:
      return "DIF_?";
  }
}

std::string AnswerText(DWORD answer) {
  char text[64];
  const char *name = answer == NO_ERROR ? "NO_ERROR"
                     : answer == static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED)
                         ? "ERROR_DI_POSTPROCESSING_REQUESTED"
                     : answer == static_cast<DWORD>(ERROR_DI_DO_DEFAULT) ? "ERROR_DI_DO_DEFAULT"
                     : answer == static_cast<DWORD>(E_FAIL)              ? "E_FAIL"
                                                                         : "";
  snprintf(text, sizeof(text), "0x%08lX%s%s", answer, *name ? " " : "", name);
  return text;
}

// --- What the co-installers start ------------------------------------------------------

// Printed under the answer line of the call that started them.
std::vector<std::string> started;

void NoteStart(const char *how, const char *file, const char *arguments, BOOL done, DWORD error) {
  char line[3 * MAX_PATH];
  snprintf(line, sizeof(line), "    starts %s  (%s%s%s)%s", file ? file : "(none)", how,
           arguments ? ", " : ", no arguments", arguments ? arguments : "",
           done ? "" : "  -> not started");
  std::string text = line;
  if (!done) text += " (" + std::to_string(error) + ")";
  started.push_back(text);
}

void PrintCall(const char *name, const char *phase, const std::string &answer) {
  printf("%-34s %-16s -> %s\n", name, phase, answer.c_str());
  for (const std::string &line : started) printf("%s\n", line.c_str());
  started.clear();
}

BOOL WINAPI WatchedShellExecuteEx(SHELLEXECUTEINFOA *info) {
  auto real = RealFunction<BOOL(WINAPI *)(SHELLEXECUTEINFOA *)>("shell32.dll", "ShellExecuteExA");
  const BOOL done = real(info);
  const DWORD error = GetLastError();
  NoteStart("ShellExecuteEx", info->lpFile, info->lpParameters, done, error);
  SetLastError(error);
  return done;
}

BOOL WINAPI WatchedCreateProcess(LPCSTR application, LPSTR commandLine,
                                 LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread,
                                 BOOL inherit, DWORD flags, LPVOID environment, LPCSTR directory,
                                 LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
  auto real = RealFunction<decltype(&WatchedCreateProcess)>("kernel32.dll", "CreateProcessA");
  const BOOL done = real(application, commandLine, process, thread, inherit, flags, environment,
                         directory, startup, info);
  const DWORD error = GetLastError();
  NoteStart("CreateProcess", application ? application : commandLine,
            application ? commandLine : nullptr, done, error);
  SetLastError(error);
  return done;
}

// --- Registering and loading the co-installers -----------------------------------------

struct SelectedDriver {
  std::string Description, Section, InfFile;
};

bool ReadSelectedDriver(RootDevice &device, SelectedDriver *driver) {
  SP_DRVINFO_DATA_A info = {};
  info.cbSize = sizeof(info);
  if (!SetupDiGetSelectedDriverA(device.Set, &device.Data, &info)) return false;
  DWORD required = 0;
  SetupDiGetDriverInfoDetailA(device.Set, &device.Data, &info, nullptr, 0, &required);
  std::vector<char> block(
      required > sizeof(SP_DRVINFO_DETAIL_DATA_A) ? required : sizeof(SP_DRVINFO_DETAIL_DATA_A));
  auto *detail = reinterpret_cast<SP_DRVINFO_DETAIL_DATA_A *>(block.data());
  detail->cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_A);
  if (!SetupDiGetDriverInfoDetailA(device.Set, &device.Data, &info, detail,
                                   static_cast<DWORD>(block.size()), nullptr)) {
    return false;
  }
  driver->Description = info.Description;
  driver->Section = detail->SectionName;
  driver->InfFile = detail->InfFileName;
  return true;
}

std::vector<std::string> ReadCoInstallers32(RootDevice &device) {
  std::vector<std::string> entries;
  HKEY key =
      SetupDiOpenDevRegKey(device.Set, &device.Data, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return entries;
  char value[4096] = {};
  DWORD size = sizeof(value) - 2;
  if (RegQueryValueExA(key, "CoInstallers32", nullptr, nullptr, reinterpret_cast<BYTE *>(value),
                       &size) == ERROR_SUCCESS) {
    for (const char *entry = value; *entry != '\0'; entry += strlen(entry) + 1) {
      entries.push_back(entry);
    }
  }
  RegCloseKey(key);
  return entries;
}

bool LoadCoInstaller(CoInstaller *coInstaller) {
  std::string dll = coInstaller->Entry, function = "CoDeviceInstall";
  const size_t comma = dll.find(',');
  if (comma != std::string::npos) {
    function = dll.substr(comma + 1);
    dll.resize(comma);
  }
  // A bare name is the copy in the system directory, where the package's files went.
  if (dll.find_first_of("\\/:") == std::string::npos) {
    char system[MAX_PATH];
    const UINT n = GetSystemDirectoryA(system, sizeof(system));
    if (n != 0 && n < sizeof(system)) dll = std::string(system) + "\\" + dll;
  }
  coInstaller->Module = LoadLibraryA(dll.c_str());
  if (coInstaller->Module == nullptr) {
    printf("co-installer %s: cannot load %s (%lu)\n", coInstaller->Entry.c_str(), dll.c_str(),
           GetLastError());
    return false;
  }
  coInstaller->Function = reinterpret_cast<CoInstallerEntry>(
      reinterpret_cast<void *>(GetProcAddress(coInstaller->Module, function.c_str())));
  if (coInstaller->Function == nullptr) {
    printf("co-installer %s: no export %s\n", coInstaller->Entry.c_str(), function.c_str());
    return false;
  }
  char path[MAX_PATH];
  GetModuleFileNameA(coInstaller->Module, path, sizeof(path));
  printf("co-installer %s loaded from %s\n", coInstaller->Entry.c_str(), path);
  coInstaller->ShellWatch =
      std::make_unique<ImportPatch>(coInstaller->Module, "shell32.dll", "ShellExecuteExA",
                                    reinterpret_cast<void *>(WatchedShellExecuteEx));
  coInstaller->ProcessWatch =
      std::make_unique<ImportPatch>(coInstaller->Module, "kernel32.dll", "CreateProcessA",
                                    reinterpret_cast<void *>(WatchedCreateProcess));
  return true;
}

void UnloadCoInstaller(CoInstaller *coInstaller) {
  coInstaller->ShellWatch.reset();
  coInstaller->ProcessWatch.reset();
  if (coInstaller->Module != nullptr) FreeLibrary(coInstaller->Module);
  coInstaller->Module = nullptr;
}

// --- One device installation function --------------------------------------------------

// Calls the co-installers for one DIF code as SetupAPI does: each in order (pre-processing),
// then the default action, then those that asked for it once more in reverse order
// (post-processing, with the result so far and their own PrivateData).
DWORD CallInstallFunction(DI_FUNCTION code, std::vector<CoInstaller> &coInstallers,
                          RootDevice &device, DefaultAction action, const char *actionName) {
  struct Pending {
    CoInstaller *coInstaller;
    PVOID privateData;
  };
  std::vector<Pending> pending;
  DWORD result = NO_ERROR;
  for (CoInstaller &coInstaller : coInstallers) {
    COINSTALLER_CONTEXT_DATA context = {};
    const DWORD answer = coInstaller.Function(code, device.Set, &device.Data, &context);
    PrintCall(DifName(code), action ? "pre-processing" : "", AnswerText(answer));
    if (answer == static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED)) {
      pending.push_back({&coInstaller, context.PrivateData});
    } else if (answer != NO_ERROR) {
      result = answer;
      break;
    }
  }
  if (result == NO_ERROR && action != nullptr) {
    result = action(device.Set, &device.Data) ? NO_ERROR : GetLastError();
    PrintCall("  default action", actionName, AnswerText(result));
  }
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
    COINSTALLER_CONTEXT_DATA context = {};
    context.PostProcessing = TRUE;
    context.InstallResult = result;
    context.PrivateData = it->privateData;
    result = it->coInstaller->Function(code, device.Set, &device.Data, &context);
    PrintCall(DifName(code), "post-processing", AnswerText(result));
  }
  return result;
}

DWORD FlagsEx(RootDevice &device) {
  SP_DEVINSTALL_PARAMS_A params = {};
  params.cbSize = sizeof(params);
  return SetupDiGetDeviceInstallParamsA(device.Set, &device.Data, &params) ? params.FlagsEx : 0;
}

// --- Reporting -------------------------------------------------------------------------

std::string LogPath() {
  char directory[MAX_PATH];
  const UINT n = GetSystemDirectoryA(directory, sizeof(directory));
  return (n != 0 && n < sizeof(directory) ? std::string(directory) + "\\" : "") + "kcoinst.log";
}

long FileSize(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return static_cast<long>(data.nFileSizeLow);
}

void PrintLogSince(const std::string &path, long offset) {
  printf("\n--- %s (this installation) ---\n", path.c_str());
  FILE *log = fopen(path.c_str(), "rb");
  if (log == nullptr) {
    printf("(no log)\n");
    return;
  }
  // An emptied log starts again from its beginning.
  fseek(log, 0, SEEK_END);
  if (ftell(log) < offset) offset = 0;
  fseek(log, offset, SEEK_SET);
  for (int c; (c = fgetc(log)) != EOF;) {
    if (c != '\r') putchar(c);
  }
  fclose(log);
}

void PrintDriverKey(RootDevice &device) {
  HKEY key =
      SetupDiOpenDevRegKey(device.Set, &device.Data, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) {
    printf("\n--- driver key: cannot open (0x%08lX) ---\n", GetLastError());
    return;
  }
  printf("\n--- driver key ---\n");
  for (DWORD index = 0;; ++index) {
    char name[256];
    BYTE data[2048];
    DWORD nameSize = sizeof(name), dataSize = sizeof(data) - 2, type = 0;
    if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) !=
        ERROR_SUCCESS) {
      break;
    }
    data[dataSize] = data[dataSize + 1] = 0;
    std::string text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      text = reinterpret_cast<char *>(data);
    } else if (type == REG_MULTI_SZ) {
      for (const char *s = reinterpret_cast<char *>(data); *s; s += strlen(s) + 1) {
        text += (text.empty() ? "" : " | ") + std::string(s);
      }
    } else if (type == REG_DWORD) {
      char number[16];
      snprintf(number, sizeof(number), "0x%08lX", *reinterpret_cast<DWORD *>(data));
      text = number;
    } else {
      text = "(" + std::to_string(dataSize) + " bytes)";
    }
    printf("%s = %s\n", name, text.c_str());
  }
  RegCloseKey(key);
}

// Wine's SetupDiDestroyDeviceInfoList sends DIF_DESTROYPRIVATEDATA once more, to
// co-installers it loads itself from CoInstallers32. The co-installers have had that call
// already, from the DLLs loaded for this installation, so the value is hidden meanwhile.
void ReleaseKeepingDevice(RootDevice *device) {
  HKEY key = SetupDiOpenDevRegKey(device->Set, &device->Data, DICS_FLAG_GLOBAL, 0, DIREG_DRV,
                                  KEY_READ | KEY_SET_VALUE);
  std::vector<BYTE> value(8192);
  DWORD size = static_cast<DWORD>(value.size()), type = 0;
  const bool hidden = key != INVALID_HANDLE_VALUE &&
                      RegQueryValueExA(key, "CoInstallers32", nullptr, &type, value.data(),
                                       &size) == ERROR_SUCCESS &&
                      RegDeleteValueA(key, "CoInstallers32") == ERROR_SUCCESS;
  ReleaseRootDevice(device);
  if (hidden) RegSetValueExA(key, "CoInstallers32", 0, type, value.data(), size);
  if (key != INVALID_HANDLE_VALUE) RegCloseKey(key);
}

void PrintVersion(DWORD *major) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExA(&version);
  const DWORD v = version.dwMajorVersion * 10 + version.dwMinorVersion;
  const char *name = v == 50   ? "2000"
                     : v == 51 ? "XP"
                     : v == 52 ? "XP x64 / Server 2003"
                     : v == 60 ? "Vista"
                     : v == 61 ? "7"
                               : "?";
  printf("acting as Windows %s (%lu.%lu.%lu)\n", name, version.dwMajorVersion,
         version.dwMinorVersion, version.dwBuildNumber);
  *major = version.dwMajorVersion;
}

}  // namespace

int main(int argc, char **argv) {
  bool remove = false;
  int first = 1;
  if (argc > 1 && strcmp(argv[1], "--remove") == 0) {
    remove = true;
    ++first;
  }
  if (argc - first < 2) {
    fprintf(stderr,
            "usage: kcinstall [--remove] <package.inf> <hardware ID> [<hardware ID> ...]\n");
    return 2;
  }
  char infPath[MAX_PATH];
  if (GetFullPathNameA(argv[first], sizeof(infPath), infPath, nullptr) - 1 >= sizeof(infPath) - 1) {
    fprintf(stderr, "kcinstall: bad INF path %s\n", argv[first]);
    return 2;
  }
  const std::vector<std::string> ids(argv + first + 1, argv + argc);
  setvbuf(stdout, nullptr, _IONBF, 0);  // interleaves with what started programs print

  DWORD major = 0;
  PrintVersion(&major);
  RootDevice device;
  if (!CreateRootDevice(infPath, ids, &device)) {
    printf("cannot make the device: %s\n", device.Failure.c_str());
    RemoveRootDevice(&device);
    return 1;
  }
  char instance[256];
  SetupDiGetDeviceInstanceIdA(device.Set, &device.Data, instance, sizeof(instance), nullptr);
  printf("device %s, hardware IDs:", instance);
  for (const std::string &id : ids) printf(" %s", id.c_str());
  SelectedDriver driver;
  if (!ReadSelectedDriver(device, &driver)) {
    printf("\nno selected driver (0x%08lX)\n", GetLastError());
    RemoveRootDevice(&device);
    return 1;
  }
  printf("\ndriver \"%s\": section [%s] of %s\n", driver.Description.c_str(),
         driver.Section.c_str(), driver.InfFile.c_str());

  int status = 0;
  std::vector<CoInstaller> coInstallers;
  // DIF_REGISTER_COINSTALLERS, whose default action installs the driver's .CoInstallers
  // section: its files and the driver key's CoInstallers32.
  if (SetupDiRegisterCoDeviceInstallers(device.Set, &device.Data)) {
    for (const std::string &entry : ReadCoInstallers32(device)) {
      coInstallers.emplace_back();
      coInstallers.back().Entry = entry;
      if (!LoadCoInstaller(&coInstallers.back())) status = 1;
    }
  } else {
    printf("cannot register the co-installers (0x%08lX)\n", GetLastError());
    status = 1;
  }
  if (coInstallers.empty()) printf("no co-installers registered\n");

  const std::string log = LogPath();
  const long logStart = FileSize(log);
  if (status == 0) {
    printf("\n");
    CallInstallFunction(DIF_INSTALLINTERFACES, coInstallers, device, nullptr, nullptr);
    CallInstallFunction(DIF_INSTALLDEVICE, coInstallers, device, SetupDiInstallDevice,
                        "SetupDiInstallDevice");
    CallInstallFunction(DIF_NEWDEVICEWIZARD_FINISHINSTALL, coInstallers, device, nullptr, nullptr);
    const bool requested = (FlagsEx(device) & DI_FLAGSEX_FINISHINSTALL_ACTION) != 0;
    printf("%-34s %s\n", "  FlagsEx finish-install action",
           requested ? "requested" : "not requested");
    // Windows has the finish-install action from Vista on.
    if (requested && major >= 6) {
      CallInstallFunction(DIF_FINISHINSTALL_ACTION, coInstallers, device, nullptr, nullptr);
    }
    CallInstallFunction(DIF_DESTROYPRIVATEDATA, coInstallers, device, nullptr, nullptr);
  }
  for (CoInstaller &coInstaller : coInstallers) UnloadCoInstaller(&coInstaller);

  PrintLogSince(log, logStart);
  PrintDriverKey(device);
  if (remove) {
    RemoveRootDevice(&device);
  } else {
    ReleaseKeepingDevice(&device);
  }
  return status;
}
