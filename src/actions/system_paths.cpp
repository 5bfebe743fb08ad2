#include "actions/system_paths.h"

namespace {

UINT Checked(UINT length, char (&buffer)[MAX_PATH]) {
  if (length < sizeof(buffer)) return length;
  buffer[0] = '\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return 0;
}

}  // namespace

UINT ReadSystemDirectory(char (&buffer)[MAX_PATH]) {
  return Checked(GetSystemDirectoryA(buffer, sizeof(buffer)), buffer);
}

UINT ReadWindowsDirectory(char (&buffer)[MAX_PATH]) {
  return Checked(GetWindowsDirectoryA(buffer, sizeof(buffer)), buffer);
}
