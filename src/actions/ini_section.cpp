#include "actions/ini_section.h"

#include <windows.h>

#include <cstring>

#include "actions/component_registration.h"
#include "actions/filter_services.h"
#include "actions/section_lines.h"
#include "actions/system_actions.h"
#include "actions/system_paths.h"
#include "diag/bounded_string.h"
#include "diag/log.h"
#include "entry/windows_records.h"

namespace {

constexpr size_t kSectionBufferSize = 500;

// The call's result is not examined: a failed call leaves the record zero, which is neither.
bool IsNtVersion(DWORD major, DWORD minor) {
  OSVERSIONINFOA version;
  ReadOsVersion(&version);
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == major &&
         version.dwMinorVersion == minor;
}

// One action line with a comma. The directories are those the section runs with; the flag
// is the call's install-bandwidth-monitor flag.
void RunActionLine(InstallContext *context, const ActionLine &action, const char *systemDirectory,
                   const char *windowsDirectory, bool *installBandwidthMonitor) {
  char work[MAX_PATH];
  switch (action.Code) {
    case 11:
    case 10:
      BoundedFormat(work, sizeof(work), "%s\\%s",
                    action.Code == 11 ? systemDirectory : windowsDirectory, action.Argument);
      RegisterFile(context, work);
      break;
    case 99:
      BoundedCopy(work, sizeof(work), action.Argument);
      if (MatchesKeyword(work, "DisableAutoPlay")) {
        LogPrint(context, "DisableAutoPlay: Going to Access RIDORA to disable Autoplay \n");
        if (IsWindowsXP()) DisableAutoPlay();
      }
      if (MatchesKeyword(work, "DisableUnsafeDialog")) {
        LogPrint(context,
                 "DisableUnsafeDialog: Going to Set Registry settings to disable unsafe dialog "
                 "removal\n");
        if (IsWindows2000()) InstallStorageClassFilter();
      }
      break;
    case 100:
      BoundedCopy(work, sizeof(work), action.Argument);
      LogPrint(context, "DeleteRegKeyHKLM: %s \n", work);
      DeleteRegKeyHKLM(work);
      break;
    case 101:
      BoundedCopy(work, sizeof(work), action.Argument);
      if (MatchesKeyword(work, "CopyHIDUSBDriver")) {
        LogPrint(context, "Calling CopyHIDUSBDriver()...\n");
        CopyHIDUSBDriver(context);
      }
      break;
    case 102:
      BoundedCopy(work, sizeof(work), action.Argument);
      LogPrint(context, "CreateRegKeyHKLM: %s \n", work);
      CreateRegKeyHKLM(work);
      break;
    case 103:
      BoundedCopy(work, sizeof(work), action.Argument);
      LogPrint(context, "Install Module check. %s\n", work);
      if (MatchesKeyword(work, "NO_ZADezozez")) {
        *installBandwidthMonitor = false;
        LogPrint(context, "Will not Install ZADezozez.\n");
      } else {
        LogPrint(context, "Unknow ModuleName:%s \n", work);
      }
      break;
    default:
      RegisterFile(context, action.Argument);
      break;
  }
}

}  // namespace

int32_t IsWindows2000() { return IsNtVersion(5, 0) ? 1 : 0; }

int32_t IsWindowsXP() { return IsNtVersion(5, 1) ? 1 : 0; }

int32_t ProcessIniSection(InstallContext *context, const char *section) {
  bool installBandwidthMonitor = true;
  bool failed = false;

  char systemDirectory[MAX_PATH];
  char windowsDirectory[MAX_PATH];
  const UINT systemLength = ReadSystemDirectory(systemDirectory);
  const UINT windowsLength = ReadWindowsDirectory(windowsDirectory);
  if (systemLength == 0 || windowsLength == 0) {
    LogPrint(context, "GetWindowsDirectory() failed !\n");
    failed = true;
  } else {
    LogPrint(context, "Windows system directory: %s\n", systemDirectory);
    LogPrint(context, "Windows directory: %s\n", windowsDirectory);

    char iniPath[MAX_PATH];
    BoundedFormat(iniPath, sizeof(iniPath), "%s\\%s", systemDirectory, kIniFileName);
    LogPrint(context, "INI file to use: %s\n", iniPath);
    LogPrint(context, "Section to register: %s\n", section);

    char lines[kSectionBufferSize];
    DWORD count = GetPrivateProfileSectionA(section, lines, sizeof(lines), iniPath);
    if (count == 0) {
      LogPrint(context, "Section %s not found !\n", section);
      failed = true;
    } else {
      if (count > sizeof(lines)) count = sizeof(lines);
      // A line is held whole: the section buffer cannot deliver a longer one.
      char line[kSectionBufferSize];
      size_t offset = 0;
      const char *text;
      size_t length;
      while (NextSectionLine(lines, count, &offset, &text, &length)) {
        memcpy(line, text, length + 1);
        const ActionLine action = DecodeActionLine(line);
        if (action.HasComma) {
          RunActionLine(context, action, systemDirectory, windowsDirectory,
                        &installBandwidthMonitor);
        } else {
          RegisterFile(context, line);  // a bare path
        }
      }
    }
  }

  if (installBandwidthMonitor) {
    LogPrint(context, "Install bandwidth monitor.\n");
    RegisterZADezozezNT();
  }
  return failed ? 0 : 1;
}
