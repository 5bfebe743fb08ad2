#include "actions/filter_services.h"

#include <gtest/gtest.h>

#include <string>

#include "diag/tracked_alloc.h"
#include "support/filter_registry.h"
#include "support/iat_patch.h"
#include "support/registry.h"
#include "support/stdout_capture.h"

namespace {

using namespace std::string_literals;

HMODULE Self() { return GetModuleHandleA(nullptr); }

RegistryValue ClassValue(const char *classGuid, const char *name) {
  return ReadRegistryValue(HKEY_LOCAL_MACHINE, ClassKey(classGuid), name);
}

std::string Sz(const char *text) { return std::string(text) + '\0'; }

void ExpectMultiSz(const std::string &bytes, const RegistryValue &value) {
  EXPECT_TRUE(value.Present);
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), value.Type);
  EXPECT_EQ(bytes, value.Bytes);
}

class FilterServicesTest : public ::testing::Test {
 protected:
  // The Media and Volume classes may be missing in a fresh prefix.
  void CreateClassKeys() {
    for (const char *guid : {kImageClass, kMediaClass, kVolumeClass}) {
      ASSERT_TRUE(CreateRegistryKey(HKEY_LOCAL_MACHINE, ClassKey(guid)));
    }
  }
  void SetClassValue(const char *guid, const char *name, DWORD type, const std::string &bytes) {
    ASSERT_TRUE(WriteRegistryValue(HKEY_LOCAL_MACHINE, ClassKey(guid), name, type, bytes));
  }
  void DeleteClassValue(const char *guid, const char *name) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassKey(guid).c_str(), 0, KEY_SET_VALUE, &key));
    RegDeleteValueA(key, name);
    RegCloseKey(key);
  }
  FilterRegistrySnapshot snapshot_;
};

void ExpectStorageService();

void ExpectBandwidthService() {
  const std::string key = ServiceKey("VARERIze");
  const struct {
    const char *name;
    DWORD type;
    std::string bytes;
  } values[] = {{"DisplayName", REG_SZ, Sz("Korvanta USB Monitor Filter")},
                {"Type", REG_DWORD, DwordBytes(1)},
                {"Start", REG_DWORD, DwordBytes(3)},
                {"ErrorControl", REG_DWORD, DwordBytes(1)},
                {"ImagePath", REG_SZ, Sz("system32\\drivers\\VARERIze.sys")}};
  for (const auto &expected : values) {
    const RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, key, expected.name);
    EXPECT_TRUE(value.Present) << expected.name;
    EXPECT_EQ(expected.type, value.Type) << expected.name;
    EXPECT_EQ(expected.bytes, value.Bytes) << expected.name;
  }
  EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, key, "Group").Present);
}

TEST_F(FilterServicesTest, TheBandwidthMonitorGoesAtTheEndOfBothLowerFilterLists) {
  CreateClassKeys();
  DeleteClassValue(kImageClass, "LowerFilters");
  SetClassValue(kMediaClass, "LowerFilters", REG_MULTI_SZ, "ksthunk\0other\0\0"s);
  EXPECT_EQ(1, RegisterZADezozezNT());
  ExpectBandwidthService();
  ExpectMultiSz("VARERIze\0\0"s, ClassValue(kImageClass, "LowerFilters"));
  ExpectMultiSz("ksthunk\0other\0VARERIze\0\0"s, ClassValue(kMediaClass, "LowerFilters"));

  // A second run changes nothing.
  EXPECT_EQ(1, RegisterZADezozezNT());
  ExpectBandwidthService();
  ExpectMultiSz("VARERIze\0\0"s, ClassValue(kImageClass, "LowerFilters"));
  ExpectMultiSz("ksthunk\0other\0VARERIze\0\0"s, ClassValue(kMediaClass, "LowerFilters"));
}

TEST_F(FilterServicesTest, AnExistingServiceKeyKeepsItsOtherValues) {
  CreateClassKeys();
  ASSERT_TRUE(CreateRegistryKey(HKEY_LOCAL_MACHINE, ServiceKey("VARERIze")));
  ASSERT_TRUE(WriteRegistryValue(HKEY_LOCAL_MACHINE, ServiceKey("VARERIze"), "Start", REG_DWORD,
                                 DwordBytes(4)));
  ASSERT_TRUE(
      WriteRegistryValue(HKEY_LOCAL_MACHINE, ServiceKey("VARERIze"), "Extra", REG_SZ, Sz("kept")));
  EXPECT_EQ(1, RegisterZADezozezNT());
  ExpectBandwidthService();
  EXPECT_EQ(Sz("kept"),
            ReadRegistryValue(HKEY_LOCAL_MACHINE, ServiceKey("VARERIze"), "Extra").Bytes);
}

// A class key that the module cannot find (existing class keys are never deleted by tests:
// a device's keys may lie below them).
const char *hiddenClass;

LONG WINAPI HidingOpenKey(HKEY root, LPCSTR subkey, DWORD options, REGSAM access, PHKEY key) {
  if (subkey != nullptr && strstr(subkey, hiddenClass) != nullptr) return ERROR_FILE_NOT_FOUND;
  using Open = LONG(WINAPI *)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
  return RealFunction<Open>("advapi32.dll", "RegOpenKeyExA")(root, subkey, options, access, key);
}

class MissingClassTest : public FilterServicesTest {
 protected:
  // The other class keys are made when missing; the hidden one is left as it is.
  void Hide(const char *guid) {
    for (const char *other : {kImageClass, kMediaClass, kVolumeClass}) {
      if (other != guid) {
        ASSERT_TRUE(CreateRegistryKey(HKEY_LOCAL_MACHINE, ClassKey(other)));
      }
    }
    hiddenClass = guid;
    existed_ = RegistryKeyExists(HKEY_LOCAL_MACHINE, ClassKey(guid));
  }
  // The hidden key is as it was: nobody created or deleted it.
  void ExpectUntouched(const char *guid) {
    EXPECT_EQ(existed_, RegistryKeyExists(HKEY_LOCAL_MACHINE, ClassKey(guid)));
  }
  ImportPatch open_{Self(), "advapi32.dll", "RegOpenKeyExA",
                    reinterpret_cast<void *>(HidingOpenKey)};
  bool existed_ = false;
};

TEST_F(MissingClassTest, AMissingMediaClassFailsTheBandwidthMonitor) {
  ASSERT_TRUE(open_.Active());
  Hide(kMediaClass);
  DeleteClassValue(kImageClass, "LowerFilters");
  EXPECT_EQ(0, RegisterZADezozezNT());
  ExpectBandwidthService();
  ExpectMultiSz("VARERIze\0\0"s, ClassValue(kImageClass, "LowerFilters"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, AddClassFilter(kMediaClass, REG_MULTI_SZ));
  ExpectUntouched(kMediaClass);
}

TEST_F(MissingClassTest, AFailingImageEntryLeavesTheMediaListAlone) {
  ASSERT_TRUE(open_.Active());
  Hide(kImageClass);
  SetClassValue(kMediaClass, "LowerFilters", REG_MULTI_SZ, "a\0\0"s);
  EXPECT_EQ(0, RegisterZADezozezNT());
  ExpectMultiSz("a\0\0"s, ClassValue(kMediaClass, "LowerFilters"));
  ExpectUntouched(kImageClass);
}

TEST_F(MissingClassTest, AMissingVolumeClassDoesNotCountAgainstTheStorageFilter) {
  ASSERT_TRUE(open_.Active());
  Hide(kVolumeClass);
  EXPECT_EQ(1, InstallStorageClassFilter());
  ExpectStorageService();
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, PrependClassUpperFilter(kVolumeClass, REG_MULTI_SZ));
  ExpectUntouched(kVolumeClass);
}

struct ListCase {
  const char *name;
  bool present;
  DWORD type;
  std::string old;
  std::string expected;
};

class AddClassFilterTest : public FilterServicesTest,
                           public ::testing::WithParamInterface<ListCase> {};

TEST_P(AddClassFilterTest, AppendsUnlessPresent) {
  CreateClassKeys();
  if (GetParam().present) {
    SetClassValue(kImageClass, "LowerFilters", GetParam().type, GetParam().old);
  } else {
    DeleteClassValue(kImageClass, "LowerFilters");
  }
  EXPECT_EQ(ERROR_SUCCESS, AddClassFilter(kImageClass, REG_MULTI_SZ));
  ExpectMultiSz(GetParam().expected, ClassValue(kImageClass, "LowerFilters"));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, AddClassFilterTest,
    ::testing::Values(
        ListCase{"Missing", false, 0, "", "VARERIze\0\0"s},
        ListCase{"Empty", true, REG_MULTI_SZ, "", "VARERIze\0\0"s},
        ListCase{"OneNul", true, REG_MULTI_SZ, "\0"s, "VARERIze\0\0"s},
        ListCase{"Others", true, REG_MULTI_SZ, "one\0two\0\0"s, "one\0two\0VARERIze\0\0"s},
        ListCase{"PresentInAnotherCase", true, REG_MULTI_SZ, "one\0varerIZE\0two\0\0"s,
                 "one\0varerIZE\0two\0\0"s},
        ListCase{"EmptyStringsDisappear", true, REG_MULTI_SZ, "\0one\0\0VARERIze\0\0\0"s,
                 "one\0VARERIze\0\0"s},
        ListCase{"LastStringWithoutItsNul", true, REG_BINARY, "one\0two"s,
                 "one\0two\0VARERIze\0\0"s},
        ListCase{"OtherValueType", true, REG_BINARY, "one\0\0"s, "one\0VARERIze\0\0"s},
        ListCase{"Long", true, REG_MULTI_SZ, std::string(600, 'x') + "\0\0"s,
                 std::string(600, 'x') + "\0VARERIze\0\0"s}),
    [](const ::testing::TestParamInfo<ListCase> &info) { return std::string(info.param.name); });

class PrependClassUpperFilterTest : public FilterServicesTest,
                                    public ::testing::WithParamInterface<ListCase> {};

TEST_P(PrependClassUpperFilterTest, PutsTheStorageFilterFirstUnlessPresent) {
  CreateClassKeys();
  if (GetParam().present) {
    SetClassValue(kVolumeClass, "UpperFilters", GetParam().type, GetParam().old);
  } else {
    DeleteClassValue(kVolumeClass, "UpperFilters");
  }
  EXPECT_EQ(ERROR_SUCCESS, PrependClassUpperFilter(kVolumeClass, REG_MULTI_SZ));
  const RegistryValue value = ClassValue(kVolumeClass, "UpperFilters");
  EXPECT_EQ(GetParam().expected, value.Bytes);
  // A value that already holds the name is not written again: it keeps its type.
  EXPECT_EQ(GetParam().expected == GetParam().old ? GetParam().type : REG_MULTI_SZ, value.Type);
}

std::string Filled(size_t size) {
  std::string value = std::string(size - 2, 'v') + "\0\0"s;
  return value;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PrependClassUpperFilterTest,
    ::testing::Values(
        ListCase{"Missing", false, 0, "", "RiRazAri\0\0"s},
        ListCase{"Empty", true, REG_MULTI_SZ, "", "RiRazAri\0\0"s},
        ListCase{"OneNul", true, REG_MULTI_SZ, "\0"s, "RiRazAri\0\0"s},
        ListCase{"Others", true, REG_MULTI_SZ, "PartMgr\0\0"s, "RiRazAri\0PartMgr\0\0"s},
        ListCase{"OldBytesKeptExactly", true, REG_MULTI_SZ, "a\0\0b\0\0"s, "RiRazAri\0a\0\0b\0\0"s},
        ListCase{"PresentFirst", true, REG_BINARY, "rirazari\0b\0\0"s, "rirazari\0b\0\0"s},
        ListCase{"PresentLater", true, REG_BINARY, "a\0\0RIRAZARI\0\0"s, "a\0\0RIRAZARI\0\0"s},
        ListCase{"LastStringWithoutItsNul", true, REG_BINARY, "a\0RiRazAri"s,
                 "RiRazAri\0a\0RiRazAri\0"s},
        ListCase{"Of251Bytes", true, REG_MULTI_SZ, Filled(251), "RiRazAri\0"s + Filled(251)},
        ListCase{"Of252Bytes", true, REG_MULTI_SZ, Filled(252), "RiRazAri\0"s + Filled(252)},
        ListCase{"Of260Bytes", true, REG_MULTI_SZ, Filled(260), "RiRazAri\0"s + Filled(260)},
        ListCase{"Of260BytesWithoutNul", true, REG_BINARY, std::string(260, 'w'),
                 "RiRazAri\0"s + std::string(260, 'w') + "\0"s}),
    [](const ::testing::TestParamInfo<ListCase> &info) { return std::string(info.param.name); });

TEST_F(FilterServicesTest, AnUpperFilterListOfMoreThan260BytesIsLeftAlone) {
  CreateClassKeys();
  SetClassValue(kVolumeClass, "UpperFilters", REG_MULTI_SZ, Filled(261));
  EXPECT_EQ(ERROR_MORE_DATA, PrependClassUpperFilter(kVolumeClass, REG_MULTI_SZ));
  EXPECT_EQ(Filled(261), ClassValue(kVolumeClass, "UpperFilters").Bytes);
}

void ExpectStorageService() {
  const std::string key = ServiceKey("RiRazAri");
  const struct {
    const char *name;
    DWORD type;
    std::string bytes;
  } values[] = {{"DisplayName", REG_SZ, Sz("Korvanta Storage Class Filter")},
                {"Type", REG_DWORD, DwordBytes(1)},
                {"Start", REG_DWORD, DwordBytes(0)},
                {"ErrorControl", REG_DWORD, DwordBytes(1)},
                {"Group", REG_SZ, Sz("System Bus Extender")}};
  for (const auto &expected : values) {
    const RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, key, expected.name);
    EXPECT_TRUE(value.Present) << expected.name;
    EXPECT_EQ(expected.type, value.Type) << expected.name;
    EXPECT_EQ(expected.bytes, value.Bytes) << expected.name;
  }
  EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, key, "ImagePath").Present);
}

TEST_F(FilterServicesTest, TheStorageFilterGoesFirstInTheVolumeUpperFilters) {
  CreateClassKeys();
  SetClassValue(kVolumeClass, "UpperFilters", REG_MULTI_SZ, "PartMgr\0\0"s);
  EXPECT_EQ(1, InstallStorageClassFilter());
  ExpectStorageService();
  ExpectMultiSz("RiRazAri\0PartMgr\0\0"s, ClassValue(kVolumeClass, "UpperFilters"));
  EXPECT_EQ(1, InstallStorageClassFilter());
  ExpectMultiSz("RiRazAri\0PartMgr\0\0"s, ClassValue(kVolumeClass, "UpperFilters"));
}

LONG WINAPI RefuseCreateKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, const SECURITY_ATTRIBUTES *,
                            PHKEY, LPDWORD) {
  return ERROR_ACCESS_DENIED;
}

TEST_F(FilterServicesTest, AServiceKeyThatCannotBeCreatedStopsEverything) {
  CreateClassKeys();
  SetClassValue(kVolumeClass, "UpperFilters", REG_MULTI_SZ, "PartMgr\0\0"s);
  DeleteClassValue(kImageClass, "LowerFilters");
  int32_t bandwidth, storage;
  std::string printed, printedByStorage;
  {
    ImportPatch patch(Self(), "advapi32.dll", "RegCreateKeyExA",
                      reinterpret_cast<void *>(RefuseCreateKey));
    ASSERT_TRUE(patch.Active());
    StdoutCapture capture;
    bandwidth = RegisterZADezozezNT();
    printed = capture.Text();
    StdoutCapture second;
    storage = InstallStorageClassFilter();
    printedByStorage = second.Text();
  }
  EXPECT_EQ(0, bandwidth);
  EXPECT_EQ(0, storage);
  EXPECT_EQ("RegisterZADezozezNT> FAILED open key (5)\n", printed);
  EXPECT_EQ("", printedByStorage);
  EXPECT_FALSE(ClassValue(kImageClass, "LowerFilters").Present);
  EXPECT_EQ("PartMgr\0\0"s, ClassValue(kVolumeClass, "UpperFilters").Bytes);
}

std::string refusedValue;

LONG WINAPI RefuseOneValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data,
                           DWORD size) {
  if (name != nullptr && refusedValue == name) return ERROR_ACCESS_DENIED;
  using Set = LONG(WINAPI *)(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD);
  return RealFunction<Set>("advapi32.dll", "RegSetValueExA")(key, name, reserved, type, data, size);
}

TEST_F(FilterServicesTest, AValueThatCannotBeWrittenSkipsTheLaterOnes) {
  CreateClassKeys();
  DeleteClassValue(kImageClass, "LowerFilters");
  DeleteClassValue(kVolumeClass, "UpperFilters");
  refusedValue = "Start";
  int32_t bandwidth, storage;
  {
    ImportPatch patch(Self(), "advapi32.dll", "RegSetValueExA",
                      reinterpret_cast<void *>(RefuseOneValue));
    ASSERT_TRUE(patch.Active());
    bandwidth = RegisterZADezozezNT();
    storage = InstallStorageClassFilter();
  }
  EXPECT_EQ(0, bandwidth);
  EXPECT_EQ(0, storage);
  for (const char *service : {"VARERIze", "RiRazAri"}) {
    const std::string key = ServiceKey(service);
    EXPECT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, key, "Type").Present);
    EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, key, "Start").Present);
    EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, key, "ErrorControl").Present);
  }
  // The bandwidth monitor's lists are not touched; the Volume entry is made all the same.
  EXPECT_FALSE(ClassValue(kImageClass, "LowerFilters").Present);
  ExpectMultiSz("RiRazAri\0\0"s, ClassValue(kVolumeClass, "UpperFilters"));
}

int failAllocation;  // the number of the allocation that fails, counting from 1
int allocations;

void *__cdecl FailingMalloc(size_t size) {
  if (++allocations == failAllocation) return nullptr;
  return RealFunction<void *(__cdecl *)(size_t)>("msvcrt.dll", "malloc")(size);
}

class FilterAllocationTest : public FilterServicesTest,
                             public ::testing::WithParamInterface<int> {};

TEST_P(FilterAllocationTest, AFailedAllocationLeavesTheListsAlone) {
  CreateClassKeys();
  SetClassValue(kImageClass, "LowerFilters", REG_MULTI_SZ, "one\0\0"s);
  SetClassValue(kVolumeClass, "UpperFilters", REG_MULTI_SZ, "two\0\0"s);
  failAllocation = GetParam();
  LONG lower, upper;
  {
    allocations = 0;
    ImportPatch patch(Self(), "msvcrt.dll", "malloc", reinterpret_cast<void *>(FailingMalloc));
    ASSERT_TRUE(patch.Active());
    lower = AddClassFilter(kImageClass, REG_MULTI_SZ);
    allocations = 0;
    upper = PrependClassUpperFilter(kVolumeClass, REG_MULTI_SZ);
  }
  EXPECT_EQ(static_cast<LONG>(E_OUTOFMEMORY), lower);
  EXPECT_EQ(ERROR_SUCCESS, upper);
  EXPECT_EQ("one\0\0"s, ClassValue(kImageClass, "LowerFilters").Bytes);
  EXPECT_EQ("two\0\0"s, ClassValue(kVolumeClass, "UpperFilters").Bytes);
}

INSTANTIATE_TEST_SUITE_P(FirstOrSecond, FilterAllocationTest, ::testing::Values(1, 2));

TEST_F(FilterServicesTest, EveryBufferGoesBackToTheAllocator) {
  CreateClassKeys();
  SetClassValue(kImageClass, "LowerFilters", REG_MULTI_SZ, "one\0\0"s);
  InitTrackedAllocator();
  EXPECT_EQ(ERROR_SUCCESS, AddClassFilter(kImageClass, REG_MULTI_SZ));
  EXPECT_EQ(ERROR_SUCCESS, AddClassFilter(kImageClass, REG_MULTI_SZ));
  SetClassValue(kVolumeClass, "UpperFilters", REG_MULTI_SZ, Filled(300));
  EXPECT_EQ(ERROR_MORE_DATA, PrependClassUpperFilter(kVolumeClass, REG_MULTI_SZ));
  SetClassValue(kVolumeClass, "UpperFilters", REG_MULTI_SZ, "two\0\0"s);
  EXPECT_EQ(ERROR_SUCCESS, PrependClassUpperFilter(kVolumeClass, REG_MULTI_SZ));
  EXPECT_EQ(ERROR_SUCCESS, PrependClassUpperFilter(kVolumeClass, REG_MULTI_SZ));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            PrependClassUpperFilter("{00000000-0000-0000-0000-000000000000}", REG_MULTI_SZ));
  const uint32_t inUse = BytesInUse;
  CloseTrackedAllocator();
  EXPECT_EQ(0u, inUse);
}

}  // namespace
