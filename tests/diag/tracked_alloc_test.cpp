#include "diag/tracked_alloc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "support/iat_patch.h"

namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }

// Recorders for the patched C heap and wait functions. They must not allocate themselves:
// the C++ runtime's operator new comes back through the patched malloc.
template <typename T>
struct Calls {
  T seen[8];
  size_t count = 0;
  void Add(T value) {
    if (count < 8) seen[count] = value;
    ++count;
  }
  void Clear() { count = 0; }
  bool Empty() const { return count == 0; }
  std::vector<T> List() const { return std::vector<T>(seen, seen + (count < 8 ? count : 8)); }
};
Calls<size_t> mallocSizes;
Calls<void *> freedPointers;
int waitCalls;

void *__cdecl RecordingMalloc(size_t size) {
  mallocSizes.Add(size);
  return RealFunction<void *(__cdecl *)(size_t)>("msvcrt.dll", "malloc")(size);
}
void *__cdecl FailingMalloc(size_t size) {
  mallocSizes.Add(size);
  return nullptr;
}
void __cdecl RecordingFree(void *pointer) {
  freedPointers.Add(pointer);
  RealFunction<void(__cdecl *)(void *)>("msvcrt.dll", "free")(pointer);
}
DWORD WINAPI CountingWaitEx(DWORD count, const HANDLE *handles, BOOL all, DWORD ms,
                            BOOL alertable) {
  ++waitCalls;
  using Wait = DWORD(WINAPI *)(DWORD, const HANDLE *, BOOL, DWORD, BOOL);
  return RealFunction<Wait>("kernel32.dll", "WaitForMultipleObjectsEx")(count, handles, all, ms,
                                                                        alertable);
}
DWORD WINAPI FailingWaitEx(DWORD, const HANDLE *, BOOL, DWORD, BOOL) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}
DWORD WINAPI FailingWait(DWORD, const HANDLE *, BOOL, DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

BlockHeader *HeaderOf(void *pointer) { return static_cast<BlockHeader *>(pointer) - 1; }

std::vector<ListLink *> ListedBlocks() {
  std::vector<ListLink *> links;
  for (ListLink *link = BlockListHead.Next; link != &BlockListHead; link = link->Next) {
    links.push_back(link);
  }
  return links;
}

class TrackedAllocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mallocSizes.Clear();
    freedPointers.Clear();
    waitCalls = 0;
    InitTrackedAllocator();
  }
  void TearDown() override {
    EXPECT_EQ(0u, BytesInUse) << "a test left blocks allocated";
    CloseTrackedAllocator();
  }
};

TEST_F(TrackedAllocTest, BlocksAreCountedAndListedInOrderUntilFreed) {
  ASSERT_EQ(1u, AllocatorState);
  void *first = TrackedAlloc(10);
  void *second = TrackedAlloc(20);
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(30u, BytesInUse);
  EXPECT_EQ((std::vector<ListLink *>{&HeaderOf(first)->Link, &HeaderOf(second)->Link}),
            ListedBlocks());
  EXPECT_EQ(TRACKED_BLOCK_MAGIC, HeaderOf(first)->Magic);
  EXPECT_EQ(20u, HeaderOf(second)->Size);

  TrackedFree(first);
  EXPECT_EQ(20u, BytesInUse);
  EXPECT_EQ((std::vector<ListLink *>{&HeaderOf(second)->Link}), ListedBlocks());
  TrackedFree(second);
  EXPECT_EQ(0u, BytesInUse);
  EXPECT_TRUE(ListIsEmpty(&BlockListHead));
}

TEST_F(TrackedAllocTest, RequestsHeaderAndOneSpareByteFromTheCHeap) {
  void *block;
  {
    ImportPatch patch(Self(), "msvcrt.dll", "malloc", reinterpret_cast<void *>(RecordingMalloc));
    ASSERT_TRUE(patch.Active());
    block = TrackedAlloc(0);
  }
  ASSERT_NE(nullptr, block);
  EXPECT_EQ((std::vector<size_t>{sizeof(BlockHeader) + 1}), mallocSizes.List());
  EXPECT_EQ(1u, ListedBlocks().size());
  EXPECT_EQ(0u, BytesInUse);
  {
    ImportPatch patch(Self(), "msvcrt.dll", "free", reinterpret_cast<void *>(RecordingFree));
    TrackedFree(block);
  }
  EXPECT_EQ((std::vector<void *>{HeaderOf(block)}), freedPointers.List());
  EXPECT_TRUE(ListIsEmpty(&BlockListHead));
}

TEST_F(TrackedAllocTest, SizesThatWouldWrapAroundGetNothing) {
  const uint32_t largest = UINT32_MAX - static_cast<uint32_t>(sizeof(BlockHeader) + 1);
  void *results[3];
  size_t requestsBeforeLargest;
  {
    ImportPatch patch(Self(), "msvcrt.dll", "malloc", reinterpret_cast<void *>(FailingMalloc));
    results[0] = TrackedAlloc(UINT32_MAX);
    results[1] = TrackedAlloc(largest + 1);
    requestsBeforeLargest = mallocSizes.count;
    // The largest request that fits is passed on whole.
    results[2] = TrackedAlloc(largest);
  }
  EXPECT_EQ(nullptr, results[0]);
  EXPECT_EQ(nullptr, results[1]);
  EXPECT_EQ(0u, requestsBeforeLargest);
  EXPECT_EQ(nullptr, results[2]);
  EXPECT_EQ((std::vector<size_t>{UINT32_MAX}), mallocSizes.List());
  EXPECT_EQ(0u, BytesInUse);
}

TEST_F(TrackedAllocTest, AnEmptyHeapGivesNoneAndReleasesTheMutex) {
  void *result;
  {
    ImportPatch patch(Self(), "msvcrt.dll", "malloc", reinterpret_cast<void *>(FailingMalloc));
    result = TrackedAlloc(8);
  }
  EXPECT_EQ(nullptr, result);
  EXPECT_EQ(0u, BytesInUse);
  EXPECT_TRUE(ListIsEmpty(&BlockListHead));
  void *block = TrackedAlloc(8);  // the mutex was given back
  EXPECT_NE(nullptr, block);
  TrackedFree(block);
}

TEST_F(TrackedAllocTest, AFailedWaitInAllocGivesNoneWithoutAllocating) {
  void *result;
  {
    ImportPatch wait(Self(), "kernel32.dll", "WaitForMultipleObjectsEx",
                     reinterpret_cast<void *>(FailingWaitEx));
    ImportPatch heap(Self(), "msvcrt.dll", "malloc", reinterpret_cast<void *>(RecordingMalloc));
    ASSERT_TRUE(wait.Active());
    result = TrackedAlloc(8);
  }
  EXPECT_EQ(nullptr, result);
  EXPECT_TRUE(mallocSizes.Empty());
}

TEST_F(TrackedAllocTest, AFailedWaitInFreeLeavesTheBlockListedWithItsMagicCleared) {
  void *block = TrackedAlloc(12);
  {
    ImportPatch wait(Self(), "kernel32.dll", "WaitForMultipleObjects",
                     reinterpret_cast<void *>(FailingWait));
    ASSERT_TRUE(wait.Active());
    TrackedFree(block);
  }
  EXPECT_EQ(12u, BytesInUse);
  EXPECT_EQ((std::vector<ListLink *>{&HeaderOf(block)->Link}), ListedBlocks());
  EXPECT_EQ(0u, HeaderOf(block)->Magic);
  // Put the bookkeeping back by hand: the block cannot be freed through the allocator now.
  ListUnlink(&HeaderOf(block)->Link);
  BytesInUse = 0;
  free(HeaderOf(block));
}

TEST_F(TrackedAllocTest, FreeingNoneDoesNothing) {
  ImportPatch heap(Self(), "msvcrt.dll", "free", reinterpret_cast<void *>(RecordingFree));
  TrackedFree(nullptr);
  EXPECT_TRUE(freedPointers.Empty());
}

TEST_F(TrackedAllocTest, AForeignPointerGoesToTheCHeapAsItIs) {
  void *foreign = malloc(64);
  ImportPatch heap(Self(), "msvcrt.dll", "free", reinterpret_cast<void *>(RecordingFree));
  TrackedFree(foreign);
  EXPECT_EQ((std::vector<void *>{foreign}), freedPointers.List());
}

TEST(TrackedAllocLifecycleTest, BlocksOfTheClosedAllocatorAreUntrackedAndNeedNoLock) {
  ASSERT_EQ(ALLOCATOR_CLOSED, AllocatorState);
  waitCalls = 0;
  ImportPatch wait(Self(), "kernel32.dll", "WaitForMultipleObjectsEx",
                   reinterpret_cast<void *>(CountingWaitEx));
  void *early = TrackedAlloc(40);
  ASSERT_NE(nullptr, early);
  EXPECT_EQ(UNTRACKED_BLOCK_MAGIC, HeaderOf(early)->Magic);

  // Allocated before init, freed after it: neither the list nor the total is touched.
  InitTrackedAllocator();
  void *tracked = TrackedAlloc(5);
  TrackedFree(early);
  EXPECT_EQ(5u, BytesInUse);
  EXPECT_EQ(1u, ListedBlocks().size());

  // A tracked block freed after close is released without the list.
  CloseTrackedAllocator();
  EXPECT_EQ(ALLOCATOR_CLOSED, AllocatorState);
  const int waitsBefore = waitCalls;
  freedPointers.Clear();
  {
    ImportPatch heap(Self(), "msvcrt.dll", "free", reinterpret_cast<void *>(RecordingFree));
    TrackedFree(tracked);
    void *late = TrackedAlloc(3);
    ASSERT_NE(nullptr, late);
    EXPECT_EQ(UNTRACKED_BLOCK_MAGIC, HeaderOf(late)->Magic);
    TrackedFree(late);
  }
  EXPECT_EQ(waitsBefore, waitCalls);
  EXPECT_EQ(2u, freedPointers.count);
  EXPECT_EQ(HeaderOf(tracked), freedPointers.seen[0]);
}

}  // namespace
