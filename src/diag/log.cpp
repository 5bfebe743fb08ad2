#include "diag/log.h"

#include <share.h>
#include <windows.h>

#include <cstdarg>

#include "diag/bounded_string.h"
#include "entry/install_context.h"

namespace {

// The log path: the system directory and the file name, or the bare file name (resolved
// against the current directory) when the directory is unknown or too long to leave room.
void LogPath(char (&path)[MAX_PATH]) {
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length != 0 && length < MAX_PATH - 1 - (sizeof(kLogFileName) - 1)) {
    BoundedConcat(path, MAX_PATH, "\\");
    BoundedConcat(path, MAX_PATH, kLogFileName);
  } else {
    BoundedCopy(path, MAX_PATH, kLogFileName);
  }
}

// Several contexts may hold the file open at once, so nobody locks anyone out.
FILE *OpenShared(const char *path, const char *mode) { return _fsopen(path, mode, _SH_DENYNO); }

}  // namespace

int OpenLogStream(FILE **slot) {
  char path[MAX_PATH];
  LogPath(path);

  FILE *stream = OpenShared(path, "a+");
  if (stream == nullptr) {
    *slot = nullptr;
    return 0;
  }
  fseek(stream, 0, SEEK_END);
  if (ftell(stream) >= kLogSizeLimit) {
    fclose(stream);
    stream = OpenShared(path, "w+");
  }
  *slot = stream;
  return stream != nullptr ? 1 : 0;
}

void CloseLogStream(FILE **slot) {
  if (*slot != nullptr) fclose(*slot);
  *slot = nullptr;
}

int LogPrint(InstallContext *context, const char *format, ...) {
  if (context->LogStream == nullptr && OpenLogStream(&context->LogStream) == 0) return 0;
  va_list args;
  va_start(args, format);
  const int written = vfprintf(context->LogStream, format, args);
  va_end(args);
  return written;
}
