#include "support/recorder.h"

#include <sstream>

ProgramRecord::ProgramRecord()
    : directory_("kcoinst-record"), path_(directory_.File("record.txt")) {
  SetEnvironmentVariableA("KCOINST_RECORD", path_.c_str());
}

ProgramRecord::~ProgramRecord() { SetEnvironmentVariableA("KCOINST_RECORD", nullptr); }

std::vector<std::string> ProgramRecord::Lines(size_t expected, DWORD timeoutMs) const {
  std::vector<std::string> lines;
  const DWORD start = GetTickCount();
  for (;;) {
    lines.clear();
    std::istringstream text(ReadBytes(path_));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    if (lines.size() >= expected || GetTickCount() - start > timeoutMs) return lines;
    Sleep(20);
  }
}

std::string BuiltProgramPath(const char *name) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + name;
}

std::string RecorderPath() { return BuiltProgramPath("recorder.exe"); }

bool PlaceRecorder(const std::string &destination) {
  return CopyFileA(RecorderPath().c_str(), destination.c_str(), FALSE) != 0;
}
