// File helpers for tests under Wine. Every test leaves the prefix as it found it.
#pragma once

#include <windows.h>

#include <string>

std::string SystemDirectory();
std::string WindowsDirectory();
// System directory, backslash, name.
std::string SystemFile(const char *name);

// The whole file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::string &path);
bool WriteBytes(const std::string &path, const std::string &bytes);
bool FileExists(const std::string &path);

// Deletes a file or a directory tree; true when nothing is left.
bool RemoveTree(const std::string &path);

// A fresh directory for one test, removed with everything in it at the end.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const char *name = "kcoinst-test");
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory &) = delete;
  ScratchDirectory &operator=(const ScratchDirectory &) = delete;
  const std::string &Path() const { return path_; }
  std::string File(const std::string &name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Moves a file aside for the length of a scope (the log, say) so that a test starts
// without it, and puts it back afterwards, removing what the test made there.
class SetAside {
 public:
  explicit SetAside(std::string path);
  ~SetAside();
  SetAside(const SetAside &) = delete;
  SetAside &operator=(const SetAside &) = delete;

 private:
  std::string path_;
  std::string saved_;
  bool had_ = false;
};

// The system directory's kcoinst.log, set aside for a test.
class FreshLog : public SetAside {
 public:
  FreshLog();
  std::string Text() const { return ReadBytes(SystemFile("kcoinst.log")); }
};
