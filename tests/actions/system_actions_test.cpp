#include "actions/system_actions.h"

#include <objbase.h>

#include <gtest/gtest.h>
#include <sddl.h>
#include <shellapi.h>

#include <string>

#include "support/logged_context.h"
#include "support/iat_patch.h"
#include "support/recorder.h"
#include "support/registry.h"
#include "support/ridora.h"

namespace {

using namespace std::string_literals;

HMODULE Self() { return GetModuleHandleA(nullptr); }

const char kTestKey[] = "SOFTWARE\\KcoinstActionTest";

// Whether COM is initialised on this thread: a further CoInitialize says so with S_FALSE.
bool ComInitialised() {
  const HRESULT result = CoInitialize(nullptr);
  if (SUCCEEDED(result)) CoUninitialize();
  return result == S_FALSE;
}

TEST(DisableAutoPlayTest, CallsSlotEightWithOne) {
  RegisteredRidora ridora;
  ASSERT_TRUE(ridora.Registered());
  ProgramRecord record;
  DisableAutoPlay();
  EXPECT_EQ((std::vector<std::string>{"RIDORA|slot 8|1"}), record.Lines(1));
  EXPECT_FALSE(ComInitialised());
}

TEST(DisableAutoPlayTest, AMissingServerLeavesComAsItWas) {
  ASSERT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kRidoraClassKey));
  DisableAutoPlay();
  EXPECT_FALSE(ComInitialised());
  // Within a caller's own COM initialisation the balance holds too.
  ASSERT_EQ(S_OK, CoInitialize(nullptr));
  DisableAutoPlay();
  EXPECT_TRUE(ComInitialised());
  CoUninitialize();
  EXPECT_FALSE(ComInitialised());
}

class RegistryValueActionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateRegistryKey(HKEY_LOCAL_MACHINE, key_ + "\\A\\B")); }
  RegistryValue Value(const std::string &subkey, const char *name) {
    return ReadRegistryValue(HKEY_LOCAL_MACHINE, key_ + subkey, name);
  }
  RegistrySnapshot snapshot_{HKEY_LOCAL_MACHINE, kTestKey};
  std::string key_ = kTestKey;
};

TEST_F(RegistryValueActionTest, CreateSetsADwordOfOneAtTheLastBackslash) {
  EXPECT_EQ(1, CreateRegKeyHKLM((key_ + "\\A\\B\\Flag").c_str()));
  const RegistryValue flag = Value("\\A\\B", "Flag");
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), flag.Type);
  EXPECT_EQ(DwordBytes(1), flag.Bytes);
}

TEST_F(RegistryValueActionTest, CreateReplacesAValueOfAnotherType) {
  ASSERT_TRUE(WriteRegistryValue(HKEY_LOCAL_MACHINE, key_ + "\\A", "Flag", REG_SZ, "text\0"s));
  EXPECT_EQ(1, CreateRegKeyHKLM((key_ + "\\A\\Flag").c_str()));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), Value("\\A", "Flag").Type);
  EXPECT_EQ(DwordBytes(1), Value("\\A", "Flag").Bytes);
}

TEST_F(RegistryValueActionTest, ATrailingBackslashNamesTheDefaultValue) {
  EXPECT_EQ(1, CreateRegKeyHKLM((key_ + "\\A\\").c_str()));
  EXPECT_EQ(DwordBytes(1), Value("\\A", "").Bytes);
  EXPECT_EQ(1, DeleteRegKeyHKLM((key_ + "\\A\\").c_str()));
  EXPECT_FALSE(Value("\\A", "").Present);
}

TEST_F(RegistryValueActionTest, CreateNeverCreatesAKey) {
  EXPECT_EQ(0, CreateRegKeyHKLM((key_ + "\\Missing\\Flag").c_str()));
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, key_ + "\\Missing"));
}

TEST_F(RegistryValueActionTest, TextsWithoutABackslashAreRefused) {
  EXPECT_EQ(0, CreateRegKeyHKLM("Flag"));
  EXPECT_EQ(0, DeleteRegKeyHKLM("Flag"));
  EXPECT_EQ(0, CreateRegKeyHKLM(""));
}

TEST_F(RegistryValueActionTest, ATextLongerThan259CharactersIsCutFirst) {
  // Cut to 259 characters, the text names the value "Flag" of key A.
  const std::string text = key_ + "\\A\\Flag";
  const std::string longer = text + std::string(259 - text.size(), 'x') + "\\Tail";
  ASSERT_EQ(std::string::npos, longer.substr(0, 259).find("\\Tail"));
  EXPECT_EQ(1, CreateRegKeyHKLM(longer.c_str()));
  EXPECT_EQ(DwordBytes(1),
            Value("\\A", ("Flag" + std::string(259 - text.size(), 'x')).c_str()).Bytes);
}

TEST_F(RegistryValueActionTest, AKeyThatOnlyGrantsReadingIsNotWritten) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (key_ + "\\Locked").c_str(), 0,
                                           nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  const LONG secured = RegSetKeySecurity(
      key, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, descriptor);
  RegCloseKey(key);
  LocalFree(descriptor);
  ASSERT_EQ(ERROR_SUCCESS, secured);
  EXPECT_EQ(0, CreateRegKeyHKLM((key_ + "\\Locked\\Flag").c_str()));
  EXPECT_FALSE(Value("\\Locked", "Flag").Present);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, (key_ + "\\Locked").c_str()));
}

TEST_F(RegistryValueActionTest, DeleteRemovesTheValueOnly) {
  ASSERT_TRUE(WriteRegistryValue(HKEY_LOCAL_MACHINE, key_ + "\\A\\B", "Gone", REG_SZ, "x\0"s));
  ASSERT_TRUE(WriteRegistryValue(HKEY_LOCAL_MACHINE, key_ + "\\A\\B", "Kept", REG_SZ, "y\0"s));
  EXPECT_EQ(1, DeleteRegKeyHKLM((key_ + "\\A\\B\\Gone").c_str()));
  EXPECT_FALSE(Value("\\A\\B", "Gone").Present);
  EXPECT_TRUE(Value("\\A\\B", "Kept").Present);
  EXPECT_EQ(0, DeleteRegKeyHKLM((key_ + "\\A\\B\\Gone").c_str()));
  EXPECT_EQ(0, DeleteRegKeyHKLM((key_ + "\\Missing\\Gone").c_str()));
  EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, key_ + "\\A\\B"));
}

// What the module handed to the shell, and the error mode while it ran.
struct ShellCopy {
  int calls;
  UINT errorMode;
  SHFILEOPSTRUCTA operation;
  std::string from, to;  // each with its list end
};
ShellCopy shellCopy;

int WINAPI WatchedFileOperation(LPSHFILEOPSTRUCTA operation) {
  ++shellCopy.calls;
  shellCopy.errorMode = GetErrorMode();
  shellCopy.operation = *operation;
  shellCopy.from.assign(operation->pFrom, strlen(operation->pFrom) + 2);
  shellCopy.to.assign(operation->pTo, strlen(operation->pTo) + 2);
  return RealFunction<int(WINAPI *)(LPSHFILEOPSTRUCTA)>("shell32.dll",
                                                        "SHFileOperationA")(operation);
}

class CopyHIDUSBDriverTest : public ::testing::Test, public LoggedActionTest {
 protected:
  void SetUp() override {
    shellCopy = ShellCopy{};
    SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  }
  void TearDown() override { SetErrorMode(0); }
  std::string Source() { return SystemFile("hidusb.sys"); }
  std::string Destination() { return SystemDirectory() + "\\Drivers\\hidusb.sys"; }
  std::string Announced() {
    return "Copying File \nFrom: " + Source() + "\nTo: " + Destination() + "\n";
  }
  SetAside source_{SystemFile("hidusb.sys")};
  SetAside destination_{SystemDirectory() + "\\drivers\\hidusb.sys"};
  ImportPatch shell_{Self(), "shell32.dll", "SHFileOperationA",
                     reinterpret_cast<void *>(WatchedFileOperation)};
};

TEST_F(CopyHIDUSBDriverTest, CopiesOverAnExistingFileSilently) {
  ASSERT_TRUE(shell_.Active());
  ASSERT_TRUE(WriteBytes(Source(), "new driver"));
  ASSERT_TRUE(WriteBytes(Destination(), "old"));
  CopyHIDUSBDriver(&context_);
  EXPECT_EQ("new driver", ReadBytes(Destination()));
  EXPECT_EQ(Stored(Announced() + "SHFileOperation() operation Succeeded \n"), Log());
  EXPECT_EQ(1, shellCopy.calls);
  EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), shellCopy.errorMode);
  EXPECT_EQ(nullptr, shellCopy.operation.hwnd);
  EXPECT_EQ(static_cast<UINT>(FO_COPY), shellCopy.operation.wFunc);
  EXPECT_EQ(static_cast<FILEOP_FLAGS>(FOF_SILENT | FOF_NOCONFIRMATION), shellCopy.operation.fFlags);
  EXPECT_EQ(Source() + "\0\0"s, shellCopy.from);
  EXPECT_EQ(Destination() + "\0\0"s, shellCopy.to);
  EXPECT_EQ(static_cast<UINT>(SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX), GetErrorMode());
}

TEST_F(CopyHIDUSBDriverTest, AMissingSourceIsLoggedWithTheShellsResult) {
  CopyHIDUSBDriver(&context_);
  EXPECT_FALSE(FileExists(Destination()));
  EXPECT_EQ(Stored(Announced() + "SHFileOperation() operation Failed... Result - 1026\n"), Log());
  EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), shellCopy.errorMode);
  EXPECT_EQ(static_cast<UINT>(SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX), GetErrorMode());
}

TEST_F(CopyHIDUSBDriverTest, NoSystemDirectoryNoCopy) {
  OpenLog();
  {
    FakeSystemDirectory fails(Self(), "");
    CopyHIDUSBDriver(&context_);
  }
  EXPECT_EQ(0, shellCopy.calls);
  EXPECT_EQ(Stored("GetSystemDirectory() Failed - Result - 0 \n"), Log());
}

}  // namespace
