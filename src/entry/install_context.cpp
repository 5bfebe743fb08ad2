#include "entry/install_context.h"

#include <cstring>

#include "diag/log.h"
#include "diag/module_mutex.h"
#include "diag/tracked_alloc.h"

ListLink ContextListHead;
uint32_t ContextCount;
HANDLE ContextListMutex;
volatile LONG AttachCount;

namespace {

InstallContext *ContextOf(ListLink *link) { return reinterpret_cast<InstallContext *>(link); }

// Unlinks a record and releases its stream and memory; the caller holds the list mutex.
void DisposeContext(InstallContext *context) {
  ListUnlink(&context->Link);
  CloseLogStream(&context->LogStream);
  TrackedFree(context);
}

}  // namespace

void InitContextList() {
  ContextListMutex = CreateModuleMutex();
  ListInit(&ContextListHead);
  ContextCount = 0;
}

InstallContext *FindContext(const void *key) {
  if (!TakeModuleMutex(ContextListMutex)) return nullptr;
  InstallContext *found = nullptr;
  for (ListLink *link = ContextListHead.Next; link != &ContextListHead; link = link->Next) {
    if (ContextOf(link)->Key == key) {
      found = ContextOf(link);
      break;
    }
  }
  ReleaseMutex(ContextListMutex);
  return found;
}

InstallContext *FindOrCreateContext(const void *key) {
  if (InstallContext *existing = FindContext(key)) return existing;
  if (!TakeModuleMutex(ContextListMutex)) return nullptr;

  auto *context = static_cast<InstallContext *>(TrackedAlloc(sizeof(InstallContext)));
  if (context != nullptr) {
    memset(context, 0, sizeof(*context));
    context->Key = key;
    // A log that cannot be opened now is tried again at each message.
    OpenLogStream(&context->LogStream);
    ListInsertTail(&ContextListHead, &context->Link);
    ++ContextCount;
  }
  ReleaseMutex(ContextListMutex);
  return context;
}

void RemoveContext(InstallContext *context) {
  if (context == nullptr) return;
  if (!TakeModuleMutex(ContextListMutex)) return;
  --ContextCount;
  DisposeContext(context);
  ReleaseMutex(ContextListMutex);
}

void DestroyContextList() {
  if (TakeModuleMutex(ContextListMutex)) {
    if (ContextCount != 0) {
      while (!ListIsEmpty(&ContextListHead)) DisposeContext(ContextOf(ContextListHead.Next));
    }
    ReleaseMutex(ContextListMutex);
  }
  CloseHandle(ContextListMutex);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      if (InterlockedIncrement(&AttachCount) == 1) {
        InitTrackedAllocator();
        InitContextList();
      }
      break;
    case DLL_PROCESS_DETACH:
      if (InterlockedDecrement(&AttachCount) == 0) {
        DestroyContextList();
        CloseTrackedAllocator();
      }
      break;
    default:
      break;
  }
  return TRUE;
}
