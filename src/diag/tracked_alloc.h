// The module's heap: C-heap blocks with a header that marks them as ours and, while the
// allocator is initialised, keeps them on a list with a running total of bytes in use.
#pragma once

#include <windows.h>

#include <cstdint>

#include "diag/list_link.h"

void *TrackedAlloc(uint32_t size);
void TrackedFree(void *pointer);

// Called by DllMain only: first thing on the first attach, last thing on the last detach.
void InitTrackedAllocator();
void CloseTrackedAllocator();

constexpr uint32_t ALLOCATOR_CLOSED = 0xFEEDBACC;
constexpr uint32_t TRACKED_BLOCK_MAGIC = 0x2345DCBA;
constexpr uint32_t UNTRACKED_BLOCK_MAGIC = 0xABCD5432;

// What precedes the caller's bytes. The list links point at Link, not at the header start.
struct BlockHeader {
  uint32_t Magic;
  ListLink Link;
  uint32_t Size;
};

// Module state: the allocator's own bookkeeping (nothing else in the module reads it).
extern uint32_t AllocatorState;  // 1 while initialised, else ALLOCATOR_CLOSED
extern ListLink BlockListHead;
extern uint32_t BytesInUse;
extern HANDLE AllocatorMutex;
