#include "support/wine_files.h"

#include <cstdio>
#include <utility>

std::string SystemDirectory() {
  char buffer[MAX_PATH];
  UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
  return std::string(buffer, n < MAX_PATH ? n : 0);
}

std::string WindowsDirectory() {
  char buffer[MAX_PATH];
  UINT n = GetWindowsDirectoryA(buffer, MAX_PATH);
  return std::string(buffer, n < MAX_PATH ? n : 0);
}

std::string SystemFile(const char *name) { return SystemDirectory() + "\\" + name; }

std::string ReadBytes(const std::string &path) {
  std::string bytes;
  FILE *f = fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.append(chunk, n);
  fclose(f);
  return bytes;
}

bool WriteBytes(const std::string &path, const std::string &bytes) {
  FILE *f = fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool FileExists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveTree(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path.c_str()) != 0;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") RemoveTree(path + "\\" + name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  return RemoveDirectoryA(path.c_str()) != 0;
}

ScratchDirectory::ScratchDirectory(const char *name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static unsigned counter;
  path_ = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++counter);
  RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDirectory::~ScratchDirectory() { RemoveTree(path_); }

SetAside::SetAside(std::string path) : path_(std::move(path)), saved_(path_ + ".set-aside") {
  RemoveTree(saved_);
  had_ = MoveFileA(path_.c_str(), saved_.c_str()) != 0;
}

SetAside::~SetAside() {
  RemoveTree(path_);
  if (had_) MoveFileA(saved_.c_str(), path_.c_str());
}

FreshLog::FreshLog() : SetAside(SystemFile("kcoinst.log")) {}
