#include "support/stdout_capture.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>

#include "support/wine_files.h"

StdoutCapture::StdoutCapture() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + "kcoinst-stdout-" + std::to_string(GetCurrentProcessId()) + ".txt";
  fflush(stdout);
  const int file =
      _open(path_.c_str(), _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (file < 0) return;
  saved_ = _dup(1);
  _dup2(file, 1);
  _close(file);
}

StdoutCapture::~StdoutCapture() { Text(); }

std::string StdoutCapture::Text() {
  if (saved_ >= 0) {
    fflush(stdout);
    _dup2(saved_, 1);
    _close(saved_);
    saved_ = -1;
    text_ = ReadBytes(path_);
    DeleteFileA(path_.c_str());
  }
  return text_;
}
