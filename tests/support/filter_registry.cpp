#include "support/filter_registry.h"

const char kImageClass[] = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const char kMediaClass[] = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";
const char kVolumeClass[] = "{71A27CDD-812A-11D0-BEC7-08002BE2092F}";

std::string ServiceKey(const char *service) {
  return std::string("SYSTEM\\CurrentControlSet\\Services\\") + service;
}

std::string ClassKey(const char *classGuid) {
  return std::string("SYSTEM\\CurrentControlSet\\Control\\Class\\") + classGuid;
}

FilterRegistrySnapshot::FilterRegistrySnapshot()
    : bandwidthService_(HKEY_LOCAL_MACHINE, ServiceKey("VARERIze")),
      storageService_(HKEY_LOCAL_MACHINE, ServiceKey("RiRazAri")),
      image_(HKEY_LOCAL_MACHINE, ClassKey(kImageClass)),
      media_(HKEY_LOCAL_MACHINE, ClassKey(kMediaClass)),
      volume_(HKEY_LOCAL_MACHINE, ClassKey(kVolumeClass)) {}
