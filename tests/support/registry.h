// Registry helpers for tests under Wine. Every test leaves the prefix's registry as it
// found it: a RegistrySnapshot puts one key back as it was at the start of its scope.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct RegistryValue {
  bool Present = false;
  DWORD Type = REG_NONE;
  std::string Bytes;
};

RegistryValue ReadRegistryValue(HKEY root, const std::string &key, const char *name);
// Sets a value of an existing key.
bool WriteRegistryValue(HKEY root, const std::string &key, const char *name, DWORD type,
                        const std::string &bytes);
bool RegistryKeyExists(HKEY root, const std::string &key);
bool CreateRegistryKey(HKEY root, const std::string &key);
bool DeleteRegistryTree(HKEY root, const std::string &key);

// A REG_DWORD as the registry holds it: four bytes, little-endian.
std::string DwordBytes(DWORD value);

// The values of one key at the start of the scope; at its end the key is deleted with
// everything below it when it did not exist, else its values are put back exactly (values
// added since are deleted; a deleted key is made again). Subkeys of an existing key are not
// looked after: tests never delete a key that was there before them.
class RegistrySnapshot {
 public:
  RegistrySnapshot(HKEY root, std::string key);
  ~RegistrySnapshot();
  RegistrySnapshot(const RegistrySnapshot &) = delete;
  RegistrySnapshot &operator=(const RegistrySnapshot &) = delete;

 private:
  struct Saved {
    std::string Name;
    DWORD Type;
    std::string Bytes;
  };
  HKEY root_;
  std::string key_;
  bool existed_ = false;
  std::vector<Saved> values_;
};
