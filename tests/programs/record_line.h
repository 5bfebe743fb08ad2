// Appends one line to the record file named by KCOINST_RECORD, for the test modules that
// the system reaches (several writers may run at once: retried until the file is ours).
#pragma once

#include <windows.h>

#include <cstdio>

inline bool AppendRecordLine(const char *text) {
  char record[MAX_PATH];
  if (GetEnvironmentVariableA("KCOINST_RECORD", record, MAX_PATH) == 0) return false;
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE file = CreateFileA(record, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      char line[4096];
      const int n = snprintf(line, sizeof(line), "%s\n", text);
      DWORD written = 0;
      WriteFile(file, line, n < 0 ? 0 : static_cast<DWORD>(n), &written, nullptr);
      CloseHandle(file);
      return true;
    }
    Sleep(10);
  }
  return false;
}
