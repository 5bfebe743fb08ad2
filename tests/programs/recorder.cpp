// A stand-in for every program the system starts: appends its own module path and its
// command line, as one line "<module path>|<command line>", to the file named by the
// environment variable KCOINST_RECORD, and exits.
#include <windows.h>

#include <cstdio>

int main() {
  char record[MAX_PATH];
  if (GetEnvironmentVariableA("KCOINST_RECORD", record, MAX_PATH) == 0) return 1;
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  // Several recorders may run at once: retry until the file can be had alone.
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE file = CreateFileA(record, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      char line[2 * MAX_PATH + 4096];
      int n = snprintf(line, sizeof(line), "%s|%s\n", module, GetCommandLineA());
      DWORD written = 0;
      WriteFile(file, line, n < 0 ? 0 : static_cast<DWORD>(n), &written, nullptr);
      CloseHandle(file);
      return 0;
    }
    Sleep(10);
  }
  return 2;
}
