// What the recorder programs wrote down: each started program appends
// "<module path>|<command line>" to the record file named by KCOINST_RECORD, which this
// object sets for its scope (started processes inherit it).
#pragma once

#include <string>
#include <vector>

#include "support/wine_files.h"

class ProgramRecord {
 public:
  ProgramRecord();
  ~ProgramRecord();
  ProgramRecord(const ProgramRecord &) = delete;
  ProgramRecord &operator=(const ProgramRecord &) = delete;

  // The lines written so far, once at least `expected` are there or the wait has ended
  // (started programs are never waited for by the system, so the test waits here).
  std::vector<std::string> Lines(size_t expected = 0, DWORD timeoutMs = 10000) const;
  const std::string &Path() const { return path_; }

 private:
  ScratchDirectory directory_;
  std::string path_;
};

// The built recorder executable (beside the test executables), copied to a path of the
// test's choosing, for example as krvalueadd.exe in a driver package's folder.
bool PlaceRecorder(const std::string &destination);
std::string RecorderPath();
// A program or module built beside the test executables.
std::string BuiltProgramPath(const char *name);
