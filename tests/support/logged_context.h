// What the action tests share: an install context outside the module's list, and the log
// text as the file stores it.
#pragma once

#include <string>

#include "diag/log.h"
#include "entry/install_context.h"
#include "support/wine_files.h"

// The log needs only the context's stream slot.
struct LooseContext : InstallContext {
  LooseContext() : InstallContext{} {}
  ~LooseContext() { CloseLogStream(&LogStream); }
};

// Messages as the log file holds them: every "\n" stored as "\r\n".
inline std::string Stored(const std::string &messages) {
  std::string text;
  for (char c : messages) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

// A fresh log and a context writing to it; Log() closes the stream and reads the file.
class LoggedActionTest {
 protected:
  // Opens the stream before a test takes the system directory away from the module (the
  // log would otherwise go to the current directory).
  void OpenLog() { OpenLogStream(&context_.LogStream); }
  std::string Log() {
    CloseLogStream(&context_.LogStream);
    return log_.Text();
  }
  FreshLog log_;
  LooseContext context_;
};
