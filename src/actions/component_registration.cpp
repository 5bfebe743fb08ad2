#include "actions/component_registration.h"

#include <windows.h>

#include <cstring>

#include "actions/registration_path.h"
#include "actions/system_paths.h"
#include "diag/bounded_string.h"
#include "diag/log.h"
#include "entry/windows_records.h"

namespace {

// Starts the command line without waiting for it: 0, else the Win32 error.
DWORD StartProcess(char *commandLine) {
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof(startup));
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof(process));
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return GetLastError();
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ERROR_SUCCESS;
}

// A command line cut to its buffer is not started: it may have lost its switch or name
// another file.
DWORD StartFormatted(char *commandLine, int32_t formatted) {
  return formatted == kStrOk ? StartProcess(commandLine) : ERROR_INSUFFICIENT_BUFFER;
}

}  // namespace

int32_t RegisterFile(InstallContext *context, const char *path) {
  LogPrint(context, "File to register: %s\n", path);
  char directory[MAX_PATH];
  DirectoryPart(path, directory, sizeof(directory));
  LogPrint(context, "Path to File to register: %s\n", directory);

  switch (ClassifyRegistrationPath(path)) {
    case RegistrationKind::Module:
      return Regsvr32DLL(context, path);
    case RegistrationKind::Executable:
      return RegisterExe(context, path);
    case RegistrationKind::None:
      break;
  }
  return 0;
}

int32_t Regsvr32DLL(InstallContext *context, const char *path) {
  LogPrint(context, "File to register is a DLL or AX\n");
  char systemDirectory[MAX_PATH];
  if (ReadSystemDirectory(systemDirectory) == 0) {
    LogPrint(context, "Regsvr32DLL: Failed to get system directory (%d)\n",
             static_cast<int>(GetLastError()));
    return 0;
  }
  LogPrint(context, "Register DLL: file = %s\n", path);
  char commandLine[MAX_PATH];
  const DWORD error = StartFormatted(
      commandLine, BoundedFormat(commandLine, sizeof(commandLine), "%s\\regsvr32.exe /s \"%s\"",
                                 systemDirectory, path));
  if (error != ERROR_SUCCESS) {
    LogPrint(context, "Regsvr32DLL: Failed to register %s (%d)\n", path, static_cast<int>(error));
    return 0;
  }
  return 1;
}

int32_t RegisterExe(InstallContext *context, const char *path) {
  LogPrint(context, "Register EXE: file = %s\n", path);
  char commandLine[MAX_PATH];
  const DWORD error = StartFormatted(
      commandLine, BoundedFormat(commandLine, sizeof(commandLine), "\"%s\" /REGSERVER", path));
  if (error != ERROR_SUCCESS) {
    LogPrint(context, "Register EXE: Failed to register %s (%d)\n", path, static_cast<int>(error));
    return 0;
  }
  return 1;
}
