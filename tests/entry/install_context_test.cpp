#include "entry/install_context.h"

#include <gtest/gtest.h>

#include <vector>

#include "diag/log.h"
#include "diag/tracked_alloc.h"
#include "support/iat_patch.h"
#include "support/module_fixture.h"
#include "support/wine_files.h"

namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }
const void *KeyA = reinterpret_cast<const void *>(0x1000);
const void *KeyB = reinterpret_cast<const void *>(0x2000);

DWORD WINAPI FailingWaitEx(DWORD, const HANDLE *, BOOL, DWORD, BOOL) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}
HANDLE WINAPI FailingCreateMutex(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}
void *__cdecl FailingMalloc(size_t) { return nullptr; }

HANDLE closedHandles[8];
int closedCount;
BOOL WINAPI RecordingCloseHandle(HANDLE handle) {
  if (closedCount < 8) closedHandles[closedCount] = handle;
  ++closedCount;
  return RealFunction<BOOL(WINAPI *)(HANDLE)>("kernel32.dll", "CloseHandle")(handle);
}

std::vector<InstallContext *> Listed() {
  std::vector<InstallContext *> records;
  for (ListLink *link = ContextListHead.Next; link != &ContextListHead; link = link->Next) {
    records.push_back(reinterpret_cast<InstallContext *>(link));
  }
  return records;
}

// The module as DllMain sets it up, with the log set aside.
class InstallContextTest : public ModuleStateTest {
 protected:
  FreshLog log_;
};

TEST_F(InstallContextTest, AContextIsFoundAgainByItsKeyAndTwoKeysGetTwo) {
  EXPECT_EQ(nullptr, FindContext(KeyA));
  InstallContext *a = FindOrCreateContext(KeyA);
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(KeyA, a->Key);
  EXPECT_EQ(0, a->FinishInstallPending);
  EXPECT_NE(nullptr, a->LogStream);  // opened at creation
  FILE *stream = a->LogStream;

  EXPECT_EQ(nullptr, FindContext(KeyB));
  InstallContext *b = FindOrCreateContext(KeyB);
  ASSERT_NE(nullptr, b);
  EXPECT_NE(a, b);
  EXPECT_EQ(a, FindOrCreateContext(KeyA));
  EXPECT_EQ(stream, a->LogStream);  // no second stream
  EXPECT_EQ((std::vector<InstallContext *>{a, b}), Listed());
  EXPECT_EQ(2u, ContextCount);
  EXPECT_EQ(2 * sizeof(InstallContext), BytesInUse);
}

TEST_F(InstallContextTest, RemovingAContextWritesItsLogAndTheKeyThenStartsAfresh) {
  InstallContext *a = FindOrCreateContext(KeyA);
  InstallContext *b = FindOrCreateContext(KeyB);
  LogPrint(a, "from a\n");
  a->FinishInstallPending = 1;
  RemoveContext(a);
  EXPECT_EQ("from a\r\n", log_.Text());
  EXPECT_EQ((std::vector<InstallContext *>{b}), Listed());
  EXPECT_EQ(1u, ContextCount);

  InstallContext *again = FindOrCreateContext(KeyA);
  ASSERT_NE(nullptr, again);
  EXPECT_EQ(0, again->FinishInstallPending);
  RemoveContext(nullptr);
  EXPECT_EQ(2u, ContextCount);
}

TEST_F(InstallContextTest, AContextIsCreatedAlsoWhenTheLogCannotBeOpened) {
  const std::string path = SystemFile("kcoinst.log");
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  InstallContext *a = FindOrCreateContext(KeyA);
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(nullptr, a->LogStream);
  EXPECT_EQ(0, LogPrint(a, "lost\n"));
  RemoveDirectoryA(path.c_str());
}

TEST_F(InstallContextTest, AFailedWaitYieldsNoContextAndLeavesRecordsListed) {
  InstallContext *a = FindOrCreateContext(KeyA);
  InstallContext *found, *created;
  {
    ImportPatch wait(Self(), "kernel32.dll", "WaitForMultipleObjectsEx",
                     reinterpret_cast<void *>(FailingWaitEx));
    ASSERT_TRUE(wait.Active());
    found = FindOrCreateContext(KeyA);
    created = FindOrCreateContext(KeyB);
    RemoveContext(a);
  }
  EXPECT_EQ(nullptr, found);
  EXPECT_EQ(nullptr, created);
  EXPECT_EQ((std::vector<InstallContext *>{a}), Listed());
  EXPECT_EQ(1u, ContextCount);
}

TEST_F(InstallContextTest, AFailedAllocationYieldsNoContext) {
  InstallContext *created;
  {
    ImportPatch heap(Self(), "msvcrt.dll", "malloc", reinterpret_cast<void *>(FailingMalloc));
    created = FindOrCreateContext(KeyA);
  }
  EXPECT_EQ(nullptr, created);
  EXPECT_EQ(0u, ContextCount);
  EXPECT_NE(nullptr, FindOrCreateContext(KeyA));  // the mutex was given back
}

TEST_F(InstallContextTest, TheSweepFreesWhatIsLeftAndClosesTheMutex) {
  LogPrint(FindOrCreateContext(KeyA), "a\n");
  LogPrint(FindOrCreateContext(KeyB), "b\n");
  const HANDLE mutex = ContextListMutex;
  closedCount = 0;
  {
    ImportPatch close(Self(), "kernel32.dll", "CloseHandle",
                      reinterpret_cast<void *>(RecordingCloseHandle));
    DestroyContextList();
  }
  EXPECT_EQ(0u, BytesInUse);
  EXPECT_TRUE(ListIsEmpty(&ContextListHead));
  EXPECT_EQ("a\r\nb\r\n", log_.Text());
  ASSERT_EQ(1, closedCount);
  EXPECT_EQ(mutex, closedHandles[0]);
  InitContextList();  // for TearDown
}

TEST_F(InstallContextTest, ASweepWhoseWaitFailsFreesNothingButClosesTheMutex) {
  InstallContext *a = FindOrCreateContext(KeyA);
  const HANDLE mutex = ContextListMutex;
  closedCount = 0;
  {
    ImportPatch wait(Self(), "kernel32.dll", "WaitForMultipleObjectsEx",
                     reinterpret_cast<void *>(FailingWaitEx));
    ImportPatch close(Self(), "kernel32.dll", "CloseHandle",
                      reinterpret_cast<void *>(RecordingCloseHandle));
    DestroyContextList();
  }
  EXPECT_EQ((std::vector<InstallContext *>{a}), Listed());
  ASSERT_EQ(1, closedCount);
  EXPECT_EQ(mutex, closedHandles[0]);
  // Clean up by hand with a fresh mutex.
  InitContextList();
  ListInsertTail(&ContextListHead, &a->Link);
  ContextCount = 1;
}

TEST(InstallContextMutexTest, AMutexThatCannotBeCreatedYieldsNoContext) {
  InitTrackedAllocator();
  {
    ImportPatch create(Self(), "kernel32.dll", "CreateMutexA",
                       reinterpret_cast<void *>(FailingCreateMutex));
    ASSERT_TRUE(create.Active());
    InitContextList();
  }
  EXPECT_EQ(nullptr, ContextListMutex);
  EXPECT_EQ(nullptr, FindOrCreateContext(KeyA));
  DestroyContextList();
  CloseTrackedAllocator();
}

TEST(DllMainTest, OnlyTheFirstAttachAndTheLastDetachAct) {
  FreshLog log;
  ASSERT_EQ(0, AttachCount);
  ASSERT_EQ(ALLOCATOR_CLOSED, AllocatorState);
  EXPECT_TRUE(DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(1u, AllocatorState);
  InstallContext *a = FindOrCreateContext(KeyA);
  ASSERT_NE(nullptr, a);
  const HANDLE mutex = ContextListMutex;

  EXPECT_TRUE(DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr));  // initialises nothing again
  EXPECT_EQ(mutex, ContextListMutex);
  EXPECT_EQ(a, FindOrCreateContext(KeyA));
  EXPECT_TRUE(DllMain(nullptr, DLL_THREAD_ATTACH, nullptr));
  EXPECT_TRUE(DllMain(nullptr, DLL_THREAD_DETACH, nullptr));
  EXPECT_TRUE(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr));  // tears nothing down
  EXPECT_EQ(1u, AllocatorState);
  EXPECT_EQ(a, FindOrCreateContext(KeyA));

  LogPrint(a, "left open\n");
  EXPECT_TRUE(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr));
  EXPECT_EQ(0, AttachCount);
  EXPECT_EQ(ALLOCATOR_CLOSED, AllocatorState);
  EXPECT_EQ(0u, BytesInUse);
  EXPECT_EQ("left open\r\n", log.Text());  // the sweep closed the stream
}

}  // namespace
