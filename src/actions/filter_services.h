// The product's two kernel filter drivers: their service keys and their entries in the
// filter lists of device setup classes.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr char kBandwidthMonitorName[] = "VARERIze";
constexpr char kStorageFilterName[] = "RiRazAri";
constexpr char kImageClassGuid[] = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
constexpr char kMediaClassGuid[] = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";
constexpr char kVolumeClassGuid[] = "{71A27CDD-812A-11D0-BEC7-08002BE2092F}";

// The bandwidth monitor: its demand-start service key, and the end of the LowerFilters lists
// of the Image and Media classes. 1 when all of it was written.
int32_t RegisterZADezozezNT();

// The storage-class filter: its boot-start service key, and the front of the Volume class's
// UpperFilters list. 1 when the service key and its values were written.
int32_t InstallStorageClassFilter();

// Appends the bandwidth monitor to the class's LowerFilters unless present. A Win32 code, or
// E_OUTOFMEMORY.
LONG AddClassFilter(const char *classGuid, DWORD valueType);

// Puts the storage-class filter first in the class's UpperFilters unless present. A Win32
// code; 0 also when it was there already or no buffer could be had.
LONG PrependClassUpperFilter(const char *classGuid, DWORD valueType);
