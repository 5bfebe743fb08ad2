#include "diag/tracked_alloc.h"

#include <cstdlib>

#include "diag/module_mutex.h"

uint32_t AllocatorState = ALLOCATOR_CLOSED;
ListLink BlockListHead;
uint32_t BytesInUse;
HANDLE AllocatorMutex;

namespace {

// The header, the caller's bytes and one spare byte that nobody touches.
constexpr size_t kBlockOverhead = sizeof(BlockHeader) + 1;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(BlockHeader) == 16, "the 32-bit block header is four 32-bit words");
#endif

BlockHeader *HeaderOf(void *pointer) {
  return reinterpret_cast<BlockHeader *>(static_cast<char *>(pointer) - sizeof(BlockHeader));
}

// Reads the magic word in front of a pointer; a word that cannot be read is no magic.
uint32_t ReadMagic(const BlockHeader *header) {
  if (IsBadReadPtr(&header->Magic, sizeof(header->Magic))) return 0;
  return header->Magic;
}

}  // namespace

void InitTrackedAllocator() {
  AllocatorMutex = CreateModuleMutex();
  ListInit(&BlockListHead);
  BytesInUse = 0;
  AllocatorState = 1;
}

void CloseTrackedAllocator() {
  AllocatorState = ALLOCATOR_CLOSED;
  CloseHandle(AllocatorMutex);
}

void *TrackedAlloc(uint32_t size) {
  const bool tracked = AllocatorState == 1;
  // A request whose block size would not fit 32 bits gets nothing rather than a tiny block.
  if (size > UINT32_MAX - kBlockOverhead) return nullptr;
  if (tracked && !TakeModuleMutex(AllocatorMutex)) return nullptr;

  auto *header = static_cast<BlockHeader *>(malloc(size + kBlockOverhead));
  if (header != nullptr) {
    header->Size = size;
    header->Magic = tracked ? TRACKED_BLOCK_MAGIC : UNTRACKED_BLOCK_MAGIC;
    if (tracked) {
      BytesInUse += size;
      ListInsertTail(&BlockListHead, &header->Link);
    }
  }
  if (tracked) ReleaseMutex(AllocatorMutex);
  return header != nullptr ? header + 1 : nullptr;
}

void TrackedFree(void *pointer) {
  const bool initialised = AllocatorState == 1;
  if (pointer == nullptr) return;

  BlockHeader *header = HeaderOf(pointer);
  const uint32_t magic = ReadMagic(header);
  if (magic != TRACKED_BLOCK_MAGIC && magic != UNTRACKED_BLOCK_MAGIC) {
    free(pointer);  // a block of the plain C heap
    return;
  }
  header->Magic = 0;

  if (magic == TRACKED_BLOCK_MAGIC && initialised) {
    // A failed wait leaves the block allocated and listed rather than risk the list.
    if (WaitForMultipleObjects(1, &AllocatorMutex, TRUE, INFINITE) != WAIT_OBJECT_0) return;
    BytesInUse -= header->Size;
    ListUnlink(&header->Link);
    ReleaseMutex(AllocatorMutex);
  }
  free(header);
}
