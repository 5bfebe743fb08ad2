#include "actions/filter_services.h"

#include <cstdio>
#include <cstring>

#include "actions/filter_list.h"
#include "diag/bounded_string.h"
#include "diag/tracked_alloc.h"

namespace {

constexpr char kServiceKeyFormat[] = "SYSTEM\\CurrentControlSet\\Services\\%s";
constexpr char kClassKeyFormat[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\%s";
constexpr REGSAM kClassKeyAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
constexpr size_t kUpperFiltersReadSize = 260;

// Working capacities: every string of the two services fits them.
constexpr size_t kKeyPathCapacity = 80;
constexpr size_t kImagePathCapacity = 35;
constexpr size_t kNameCapacity = 30;

// One value of a service key.
struct ServiceValue {
  const char *Name;
  DWORD Type;
  const char *Text;  // REG_SZ
  DWORD Number;      // REG_DWORD
};

LONG CreateServiceKey(const char *keyPath, HKEY *key) {
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_ALL_ACCESS, nullptr, key, nullptr);
}

// Writes the values in their order, each only while every one before it was written.
bool WriteServiceValues(HKEY key, const ServiceValue *values, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const ServiceValue &value = values[i];
    LONG result;
    if (value.Type == REG_SZ) {
      result =
          RegSetValueExA(key, value.Name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.Text),
                         static_cast<DWORD>(strlen(value.Text) + 1));
    } else {
      result = RegSetValueExA(key, value.Name, 0, REG_DWORD,
                              reinterpret_cast<const BYTE *>(&value.Number), sizeof(value.Number));
    }
    if (result != ERROR_SUCCESS) return false;
  }
  return true;
}

LONG OpenClassKey(const char *classGuid, HKEY *key) {
  char keyPath[kKeyPathCapacity];
  BoundedFormat(keyPath, sizeof(keyPath), kClassKeyFormat, classGuid);
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, kClassKeyAccess, key);
}

LONG SetList(HKEY key, const char *valueName, DWORD valueType, const void *list, size_t size) {
  return RegSetValueExA(key, valueName, 0, valueType, static_cast<const BYTE *>(list),
                        static_cast<DWORD>(size));
}

// AddClassFilter with the class key open.
LONG AppendToLowerFilters(HKEY key, DWORD valueType) {
  char name[kNameCapacity] = {};
  BoundedCopy(name, sizeof(name), kBandwidthMonitorName);
  const size_t nameLength = strlen(name);

  DWORD size = 0;
  LONG result = RegQueryValueExA(key, "LowerFilters", nullptr, nullptr, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND || size == 0) {
    // The name and two NULs: the zero-filled name buffer holds them.
    return SetList(key, "LowerFilters", valueType, name, nameLength + 2);
  }
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return result;

  auto *old = static_cast<uint8_t *>(TrackedAlloc(size));
  if (old == nullptr) return E_OUTOFMEMORY;
  result = RegQueryValueExA(key, "LowerFilters", nullptr, nullptr, old, &size);
  if (result != ERROR_SUCCESS) {
    TrackedFree(old);
    return result;
  }
  const size_t capacity = AppendedFilterCapacity(size, nameLength);
  auto *list = static_cast<uint8_t *>(TrackedAlloc(static_cast<uint32_t>(capacity)));
  if (list == nullptr) {
    TrackedFree(old);
    return E_OUTOFMEMORY;
  }
  memset(list, 0, capacity);
  const size_t listSize = AppendFilter(old, size, name, list, capacity);
  result = SetList(key, "LowerFilters", valueType, list, listSize);
  TrackedFree(list);
  TrackedFree(old);
  return result;
}

// PrependClassUpperFilter with the class key open and its two buffers.
LONG PrependToUpperFilters(HKEY key, DWORD valueType, uint8_t *value, uint8_t *list,
                           size_t listCapacity) {
  static const char kFreshList[] = "RiRazAri\0";  // the name and two NULs: 10 bytes
  DWORD n = kUpperFiltersReadSize;
  const LONG result = RegQueryValueExA(key, "UpperFilters", nullptr, nullptr, value, &n);
  if (result == ERROR_FILE_NOT_FOUND || (result == ERROR_SUCCESS && n == 0)) {
    return SetList(key, "UpperFilters", valueType, kFreshList, sizeof(kFreshList));
  }
  if (result != ERROR_SUCCESS) return result;
  if (FilterListHasName(value, n, kStorageFilterName)) return ERROR_SUCCESS;
  const size_t listSize = PrependFilter(value, n, kStorageFilterName, list, listCapacity);
  return SetList(key, "UpperFilters", valueType, list, listSize);
}

}  // namespace

int32_t RegisterZADezozezNT() {
  char keyPath[kKeyPathCapacity];
  BoundedFormat(keyPath, sizeof(keyPath), kServiceKeyFormat, kBandwidthMonitorName);
  HKEY key = nullptr;
  const LONG created = CreateServiceKey(keyPath, &key);
  if (created != ERROR_SUCCESS) {
    printf("RegisterZADezozezNT> FAILED open key (%d)\n", static_cast<int>(created));
    return 0;
  }

  char displayName[kNameCapacity];
  BoundedCopy(displayName, sizeof(displayName), "Korvanta USB Monitor Filter");
  char imagePath[kImagePathCapacity];
  BoundedFormat(imagePath, sizeof(imagePath), "system32\\drivers\\%s.sys", kBandwidthMonitorName);
  const ServiceValue values[] = {
      {"DisplayName", REG_SZ, displayName, 0},
      {"Type", REG_DWORD, nullptr, SERVICE_KERNEL_DRIVER},
      {"Start", REG_DWORD, nullptr, SERVICE_DEMAND_START},
      {"ErrorControl", REG_DWORD, nullptr, SERVICE_ERROR_NORMAL},
      {"ImagePath", REG_SZ, imagePath, 0},
  };
  const bool written = WriteServiceValues(key, values, sizeof(values) / sizeof(values[0]));
  RegCloseKey(key);
  if (!written) return 0;

  if (AddClassFilter(kImageClassGuid, REG_MULTI_SZ) != ERROR_SUCCESS) return 0;
  return AddClassFilter(kMediaClassGuid, REG_MULTI_SZ) == ERROR_SUCCESS ? 1 : 0;
}

int32_t InstallStorageClassFilter() {
  char keyPath[kKeyPathCapacity];
  BoundedFormat(keyPath, sizeof(keyPath), kServiceKeyFormat, kStorageFilterName);
  HKEY key = nullptr;
  if (CreateServiceKey(keyPath, &key) != ERROR_SUCCESS) return 0;

  char displayName[kNameCapacity];
  BoundedCopy(displayName, sizeof(displayName), "Korvanta Storage Class Filter");
  char group[kNameCapacity];
  BoundedCopy(group, sizeof(group), "System Bus Extender");
  const ServiceValue values[] = {
      {"DisplayName", REG_SZ, displayName, 0},
      {"Type", REG_DWORD, nullptr, SERVICE_KERNEL_DRIVER},
      {"Start", REG_DWORD, nullptr, SERVICE_BOOT_START},
      {"ErrorControl", REG_DWORD, nullptr, SERVICE_ERROR_NORMAL},
      {"Group", REG_SZ, group, 0},
  };
  const bool written = WriteServiceValues(key, values, sizeof(values) / sizeof(values[0]));
  RegCloseKey(key);

  PrependClassUpperFilter(kVolumeClassGuid, REG_MULTI_SZ);
  return written ? 1 : 0;
}

LONG AddClassFilter(const char *classGuid, DWORD valueType) {
  HKEY key = nullptr;
  LONG result = OpenClassKey(classGuid, &key);
  if (result != ERROR_SUCCESS) return result;
  result = AppendToLowerFilters(key, valueType);
  RegCloseKey(key);
  return result;
}

LONG PrependClassUpperFilter(const char *classGuid, DWORD valueType) {
  // The value is read into 260 bytes; the new list has room for a value of that size with
  // the name put in front.
  const size_t listCapacity =
      PrependedFilterCapacity(kUpperFiltersReadSize, strlen(kStorageFilterName));
  auto *value = static_cast<uint8_t *>(TrackedAlloc(kUpperFiltersReadSize));
  auto *list = static_cast<uint8_t *>(TrackedAlloc(static_cast<uint32_t>(listCapacity)));
  LONG result = ERROR_SUCCESS;
  if (value != nullptr && list != nullptr) {
    memset(value, 0xFF, kUpperFiltersReadSize);
    memset(list, 0xFF, listCapacity);
    HKEY key = nullptr;
    result = OpenClassKey(classGuid, &key);
    if (result == ERROR_SUCCESS) {
      result = PrependToUpperFilters(key, valueType, value, list, listCapacity);
      RegCloseKey(key);
    }
  }
  TrackedFree(list);
  TrackedFree(value);
  return result;
}
