// What the process writes to the C runtime's standard output during a scope (printf from
// the module under test included): file descriptor 1 goes to a scratch file meanwhile.
#pragma once

#include <string>

class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture &) = delete;
  StdoutCapture &operator=(const StdoutCapture &) = delete;

  // Ends the capture (once) and returns what was written.
  std::string Text();

 private:
  std::string path_;
  int saved_ = -1;
  std::string text_;
};
