// The x86 exports as a 32-bit caller that pushes four arguments sees them: stdcall, so the
// callee removes its arguments. A cdecl export would leave 16 bytes on the caller's stack.
#include <gtest/gtest.h>

#include "support/kcoinst_dll.h"
#include "support/wine_files.h"

#if defined(__i386__)
namespace {

struct StackCall {
  void *function;
  DWORD arguments[4];
  DWORD result;
  long stackMove;  // stack pointer after the call minus before it
};

// The pushes and the call in one asm block, so that the compiler cannot tidy the stack in
// between; the stack pointer is restored whatever the callee did.
void CallWithFourArguments(StackCall *call) {
  DWORD result;
  long moved;
  asm volatile(
      "movl %%esp, %%edi\n\t"
      "pushl 16(%%esi)\n\t"
      "pushl 12(%%esi)\n\t"
      "pushl 8(%%esi)\n\t"
      "pushl 4(%%esi)\n\t"
      "call *(%%esi)\n\t"
      "movl %%esp, %%ecx\n\t"
      "subl %%edi, %%ecx\n\t"
      "movl %%edi, %%esp\n\t"
      : "=a"(result), "=c"(moved)
      : "S"(call)
      : "edi", "edx", "memory", "cc");
  call->result = result;
  call->stackMove = moved;
}

DWORD Argument(const void *pointer) {
  return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(pointer));
}

DWORD __cdecl CdeclSum(DWORD a, DWORD b, DWORD c, DWORD d) { return a + b + c + d; }

TEST(StackCallTest, SeesACdeclCalleeLeaveItsArguments) {
  StackCall call = {reinterpret_cast<void *>(CdeclSum), {1, 2, 3, 4}, 0, 0};
  CallWithFourArguments(&call);
  EXPECT_EQ(-16, call.stackMove);
  EXPECT_EQ(10u, call.result);
}

class StdcallTest : public ::testing::Test {
 protected:
  FreshLog log_;
  KcoinstDll dll_;
};

TEST_F(StdcallTest, TheCoInstallerEntryRemovesItsArguments) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, set);
  StackCall call = {reinterpret_cast<void *>(dll_.CoInstaller()),
                    {DIF_SELECTBESTCOMPATDRV, Argument(set), 0, 0},
                    0xDEADBEEF,
                    1};
  ASSERT_NE(nullptr, call.function);
  CallWithFourArguments(&call);
  EXPECT_EQ(0, call.stackMove);
  EXPECT_EQ(static_cast<DWORD>(NO_ERROR), call.result);
  SetupDiDestroyDeviceInfoList(set);
}

TEST_F(StdcallTest, TheSetupEntryRemovesItsArguments) {
  char section[] = "Nothing";
  StackCall call = {reinterpret_cast<void *>(dll_.Setup()),
                    {0, Argument(dll_.Module()), Argument(section), SW_SHOWNORMAL},
                    0,
                    1};
  ASSERT_NE(nullptr, call.function);
  CallWithFourArguments(&call);
  EXPECT_EQ(0, call.stackMove);
  EXPECT_TRUE(FileExists(SystemFile("kcoinst.log")));
}

}  // namespace
#endif
