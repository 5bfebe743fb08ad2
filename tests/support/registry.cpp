#include "support/registry.h"

#include <utility>

RegistryValue ReadRegistryValue(HKEY root, const std::string &key, const char *name) {
  RegistryValue value;
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(handle, name, nullptr, &value.Type, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<char> bytes(size + 1);
    if (RegQueryValueExA(handle, name, nullptr, &value.Type, reinterpret_cast<BYTE *>(bytes.data()),
                         &size) == ERROR_SUCCESS) {
      value.Present = true;
      value.Bytes.assign(bytes.data(), size);
    }
  }
  RegCloseKey(handle);
  return value;
}

bool WriteRegistryValue(HKEY root, const std::string &key, const char *name, DWORD type,
                        const std::string &bytes) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) return false;
  const LONG result =
      RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE *>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

bool RegistryKeyExists(HKEY root, const std::string &key) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

bool CreateRegistryKey(HKEY root, const std::string &key) {
  HKEY handle;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

bool DeleteRegistryTree(HKEY root, const std::string &key) {
  const LONG result = RegDeleteTreeA(root, key.c_str());
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return false;
  return RegDeleteKeyA(root, key.c_str()) == ERROR_SUCCESS || !RegistryKeyExists(root, key);
}

std::string DwordBytes(DWORD value) {
  return std::string(reinterpret_cast<const char *>(&value), sizeof(value));
}

RegistrySnapshot::RegistrySnapshot(HKEY root, std::string key) : root_(root), key_(std::move(key)) {
  HKEY handle;
  existed_ = RegOpenKeyExA(root_, key_.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS;
  if (!existed_) return;
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD nameSize = sizeof(name);
    DWORD type = 0, size = 0;
    if (RegEnumValueA(handle, index, name, &nameSize, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      break;
    }
    values_.push_back(Saved{name, type, ReadRegistryValue(root_, key_, name).Bytes});
  }
  RegCloseKey(handle);
}

RegistrySnapshot::~RegistrySnapshot() {
  if (!existed_) {
    DeleteRegistryTree(root_, key_);
    return;
  }
  HKEY handle;
  if (RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) == ERROR_SUCCESS) {
    // Delete every value, then write the saved ones back.
    for (;;) {
      char name[16384];
      DWORD nameSize = sizeof(name);
      if (RegEnumValueA(handle, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
              ERROR_SUCCESS ||
          RegDeleteValueA(handle, name) != ERROR_SUCCESS) {
        break;
      }
    }
    for (const Saved &value : values_) {
      RegSetValueExA(handle, value.Name.c_str(), 0, value.Type,
                     reinterpret_cast<const BYTE *>(value.Bytes.data()),
                     static_cast<DWORD>(value.Bytes.size()));
    }
    RegCloseKey(handle);
  }
}
