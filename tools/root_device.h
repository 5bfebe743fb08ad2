// A root-enumerated device made from a driver package as Windows' Found New Hardware would
// make it: created with a generated instance ID, given its hardware IDs, registered, its
// driver list built from the package's INF alone, and the best driver selected.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

struct RootDevice {
  HDEVINFO Set = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA Data = {};
  bool Registered = false;
  std::string Failure;  // the step that failed, with its error code
};

// Fills device; false (with device->Failure) when a step fails. RemoveRootDevice undoes
// whatever was done, also after a failure.
bool CreateRootDevice(const std::string &infPath, const std::vector<std::string> &hardwareIds,
                      RootDevice *device);

// Removes the device's keys (without calling any installer) and frees the set.
void RemoveRootDevice(RootDevice *device);

// Frees the set and leaves the device installed.
void ReleaseRootDevice(RootDevice *device);

// REG_MULTI_SZ text: each string terminated, one more terminator at the end.
std::string MultiString(const std::vector<std::string> &strings);
