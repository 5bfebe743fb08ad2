// The registry keys that the filter-driver services write: the two service keys and the
// Image, Media and Volume class keys, put back as they were at the end of a scope.
#pragma once

#include <string>

#include "support/registry.h"

extern const char kImageClass[];
extern const char kMediaClass[];
extern const char kVolumeClass[];

std::string ServiceKey(const char *service);
std::string ClassKey(const char *classGuid);

class FilterRegistrySnapshot {
 public:
  FilterRegistrySnapshot();

 private:
  RegistrySnapshot bandwidthService_;
  RegistrySnapshot storageService_;
  RegistrySnapshot image_;
  RegistrySnapshot media_;
  RegistrySnapshot volume_;
};
